#pragma once

#include <QString>
#include <functional>
#include <string>

#include "wizard/property_page_ext.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// The addresses page: the source folder of the pictures and the destination of the gallery. Every
// edit goes straight into the job; Next checks both folders.
class CTrelliqAddresses : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqAddresses(QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardNext() override;
    bool OnWizardBack() override;

    // The folder browser: returns the chosen folder, or an empty text when cancelled.
    std::function<QString(QWidget* owner, const QString& title)> m_browseForFolder;

    std::string m_strSource;
    std::string m_strDest;
    int m_bUseOriginal = 0;

    QLineEdit* m_sourceEdit;
    QPushButton* m_sourceBrowse;
    QCheckBox* m_useOriginal;
    QLineEdit* m_destEdit;
    QPushButton* m_destBrowse;
    // "Publish subfolders as albums": straight into the job, off by default.
    QCheckBox* m_albums;

protected:
    void DoDataExchange(DataExchange& dx) override;

private:
    void ApplyButtonRule();
    void ApplyUseOriginal();
    void OnSourceChanged();
    void OnDestChanged();
    void OnUseOriginalClicked();
    void OnSourceBrowse();
    void OnDestBrowse();
    bool CheckFolders();
    bool SourceHoldsPictures(const std::string& folder);
    bool DestinationWritable(const std::string& folder);
};
