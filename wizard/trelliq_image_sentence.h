#pragma once

#include <QIcon>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "wizard/picture_words_controls.h"
#include "wizard/property_page_ext.h"

class CPicturePreview;
class GalleryPublisher;
class ImageList;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

// The image order page: the pictures of the gallery in publication order, to move up or down or
// leave out, with a preview of the one selected. Entering it scans the source folder when that
// changed since the last scan. Previews and the check of every picture run on the preview's
// decoder thread; pictures that cannot be read are marked in the list as their checks come in.
// With albums on, a chooser above the list picks the album whose pictures the list shows; the
// buttons work within that album.
class CTrelliqImageSentence : public CPropertyPageExt {
    Q_OBJECT

public:
    explicit CTrelliqImageSentence(GalleryPublisher& publisher, QWidget* parent = nullptr);

    void OnInitDialog() override;
    bool OnSetActive() override;
    bool OnWizardNext() override;
    bool OnWizardBack() override;

    std::string m_strScannedFolder;
    // What the albums were scanned with: empty while albums are off, else the destination and the
    // style folder (both are left out of the albums).
    std::string m_strScannedAlbums;

    QLabel* m_albumLabel;
    QComboBox* m_albumChooser;
    QLabel* m_count;
    QTreeWidget* m_list;
    QPushButton* m_moveUp;
    QPushButton* m_moveDown;
    QPushButton* m_delete;
    CPicturePreview* m_preview;
    // Under the preview: why the selected picture cannot be read.
    QLabel* m_problem;
    // The column beside the list: the preview and the lines under it.
    QVBoxLayout* m_previewColumn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One entry of the album chooser; index 0 is the top album.
    struct AlbumChoice {
        std::string path;        // relative to the source, "" for the top
        std::size_t albums = 0;  // albums directly inside
    };

    void ScanAlbums();
    void FillChooser();
    void ShowChoiceCounts(int index);
    void OnAlbumChosen(int index);
    // The picture list of the chosen album (the top album's is the sheet's list).
    ImageList& ChosenList() const;
    ImageList& ListOf(int index) const;
    void ShowPreviewOf(int row);
    int FocusedRow() const;
    void SelectRow(int row);
    void SwapRows(int first, int second);
    void FillList();
    void ShowCount();
    void MarkRow(int row);
    void ShowProblemOfSelection();
    void OnPictureProblem(const QString& path, const QString& problem);
    void OnCurrentRowChanged();
    void OnMoveUp();
    void OnMoveDown();
    void OnDelete();
    void OnSortByDate();

    GalleryPublisher& m_publisher;
    PictureWordsControls m_words;
    // Why each picture found so far cannot be read, by path; kept across visits of the page.
    std::map<std::string, QString> m_problems;
    QIcon m_noMark;
    std::vector<AlbumChoice> m_albums{AlbumChoice{}};
    int m_chosen = 0;
};
