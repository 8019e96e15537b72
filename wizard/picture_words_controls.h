#pragma once

#include <string>

#include "imaging/embedded_metadata.h"

class ImageList;
class QLabel;
class QPushButton;
class QWidget;

// The image order page's controls for the pictures' words: the "Sort by Date" button and the
// caption shown under the preview. The page places them and connects the button.
class PictureWordsControls {
public:
    explicit PictureWordsControls(QWidget* page);

    QPushButton* sortButton() const { return m_sortButton; }
    QLabel* captionLabel() const { return m_caption; }

    // Shows the caption of the picture at `path` (its title before it, where it has one), as the
    // gallery will publish it; nothing for a picture without one.
    void ShowCaptionOf(const std::string& path);

    // Orders the pictures by the date they were taken, those without one last in their order.
    void SortByDate(ImageList& images);

private:
    QPushButton* m_sortButton;
    QLabel* m_caption;
    VimbralMetadataReader m_metadata;
};
