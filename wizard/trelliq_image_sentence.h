#pragma once

#include <string>

#include "wizard/picture_words_controls.h"
#include "wizard/property_page_ext.h"

class CPreviewStatic;
class GalleryPublisher;
class QPushButton;
class QTreeWidget;

// The image order page: the pictures of the gallery in publication order, to move up or down or
// leave out, with a preview of the one selected. Entering it scans the source folder when that
// changed since the last scan.
class CTrelliqImageSentence : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqImageSentence(GalleryPublisher& publisher, QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;

    std::string m_strScannedFolder;

    QTreeWidget* m_list;
    QPushButton* m_moveUp;
    QPushButton* m_moveDown;
    QPushButton* m_delete;
    CPreviewStatic* m_preview;

private:
    int FocusedRow() const;
    void SelectRow(int row);
    void SwapRows(int first, int second);
    void OnCurrentRowChanged();
    void OnMoveUp();
    void OnMoveDown();
    void OnDelete();
    void OnSortByDate();
    void FillList();

    GalleryPublisher& m_publisher;
    PictureWordsControls m_words;
};
