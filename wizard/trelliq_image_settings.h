#pragma once

#include "wizard/property_page_ext.h"

class QLineEdit;
class QRadioButton;

// The image settings page: size limits of thumbnails and large pictures, and the format of large
// pictures, carried in the quality (0 means GIF).
class CTrelliqImageSettings : public CPropertyPageExt {
    Q_OBJECT

public:
    enum Format { kJpg = 0, kGif = 1 };
    static constexpr unsigned kDefaultQuality = 75;

    explicit CTrelliqImageSettings(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardNext() override;
    bool OnWizardBack() override;

    unsigned m_nThumbWidth = 100;
    unsigned m_nThumbHeight = 100;
    unsigned m_nLargeWidth = 0;
    unsigned m_nLargeHeight = 0;
    int m_nFormat = kJpg;
    unsigned m_nQuality = kDefaultQuality;

    QLineEdit* m_thumbWidthEdit;
    QLineEdit* m_thumbHeightEdit;
    QLineEdit* m_largeWidthEdit;
    QLineEdit* m_largeHeightEdit;
    QRadioButton* m_gif;
    QRadioButton* m_jpg;
    QLineEdit* m_qualityEdit;

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void OnFormatClicked(unsigned quality);
};
