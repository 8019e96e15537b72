#include "wizard/trelliq_image_sentence.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "engine/publication_run.h"
#include "imaging/widgets/picture_preview.h"
#include "imaging/widgets/wait_cursor.h"
#include "wizard/message_box.h"

namespace {

QString CountText(std::size_t count) {
    return count == 1 ? QString("1 picture") : QString("%1 pictures").arg(count);
}

QString AlbumCountText(std::size_t count) {
    return count == 1 ? QString("1 album") : QString("%1 albums").arg(count);
}

}  // namespace

CTrelliqImageSentence::CTrelliqImageSentence(GalleryPublisher& publisher, QWidget* parent)
    : CPropertyPageExt("imageOrderPage", parent),
      m_albumLabel(new QLabel("&Album:", this)),
      m_albumChooser(new QComboBox(this)),
      m_count(new QLabel(this)),
      m_list(new QTreeWidget(this)),
      m_moveUp(new QPushButton("Move Up", this)),
      m_moveDown(new QPushButton("Move Down", this)),
      m_delete(new QPushButton("Delete", this)),
      m_preview(new CPicturePreview(this)),
      m_problem(new QLabel(this)),
      m_previewColumn(new QVBoxLayout),
      m_publisher(publisher),
      m_words(this) {
    m_albumLabel->setObjectName("albumLabel");
    m_albumChooser->setObjectName("albumChooser");
    m_albumLabel->setBuddy(m_albumChooser);
    // Long paths are cut in the box itself, never in its list.
    m_albumChooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_albumChooser->setMinimumContentsLength(30);
    m_albumChooser->setMaxVisibleItems(20);
    m_albumLabel->hide();
    m_albumChooser->hide();
    m_count->setObjectName("pictureCount");
    m_list->setObjectName("pictureList");
    m_moveUp->setObjectName("moveUpButton");
    m_moveDown->setObjectName("moveDownButton");
    m_delete->setObjectName("deleteButton");
    m_preview->setObjectName("preview");
    m_problem->setObjectName("pictureProblem");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_list->header()->setStretchLastSection(false);
    // Rows without a mark keep the mark's room, so that the names stay in line.
    m_list->setIconSize(QSize(16, 16));
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    m_noMark = QIcon(blank);
    m_preview->setMinimumSize(200, 150);
    m_problem->setWordWrap(true);
    m_problem->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    m_previewColumn->addWidget(m_preview, 1);
    m_previewColumn->addWidget(m_problem);

    auto* layout = new QGridLayout(this);
    m_previewColumn->addWidget(m_words.captionLabel());
    auto* chooserRow = new QHBoxLayout;
    chooserRow->addWidget(m_albumLabel);
    chooserRow->addWidget(m_albumChooser, 1);
    layout->addLayout(chooserRow, 0, 0, 1, 5);
    layout->addWidget(m_count, 1, 0, 1, 4);
    layout->addWidget(m_list, 2, 0, 1, 4);
    layout->addLayout(m_previewColumn, 2, 4);
    layout->addWidget(m_moveUp, 3, 0);
    layout->addWidget(m_moveDown, 3, 1);
    layout->addWidget(m_delete, 3, 2);
    layout->addWidget(m_words.sortButton(), 4, 0, 1, 2);
    layout->setColumnStretch(3, 1);
    layout->setColumnStretch(4, 1);

    connect(m_albumChooser, &QComboBox::currentIndexChanged, this, &CTrelliqImageSentence::OnAlbumChosen);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &CTrelliqImageSentence::OnCurrentRowChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CTrelliqImageSentence::OnCurrentRowChanged);
    connect(m_moveUp, &QPushButton::clicked, this, &CTrelliqImageSentence::OnMoveUp);
    connect(m_moveDown, &QPushButton::clicked, this, &CTrelliqImageSentence::OnMoveDown);
    connect(m_delete, &QPushButton::clicked, this, &CTrelliqImageSentence::OnDelete);
    connect(m_words.sortButton(), &QPushButton::clicked, this, &CTrelliqImageSentence::OnSortByDate);
    m_list->installEventFilter(this);
    connect(&m_preview->Decoder(), &PreviewDecoder::PictureChecked, this,
            &CTrelliqImageSentence::OnPictureProblem);
    connect(m_preview, &CPicturePreview::PictureFailed, this, &CTrelliqImageSentence::OnPictureProblem);
}

void CTrelliqImageSentence::OnInitDialog() {
    m_strScannedFolder.clear();
    m_strScannedAlbums.clear();
    m_list->setHeaderLabels({"Source images"});
    m_list->setColumnWidth(0, 700);
}

bool CTrelliqImageSentence::OnSetActive() {
    {
        WaitCursor wait;
        const GalleryJob& job = Job();
        const std::string& source = job.m_strSourceFolder;
        const bool sourceChanged = m_strScannedFolder != source;
        if (sourceChanged) {
            m_publisher.ScanSourceFolder();
            m_strScannedFolder = source;
            m_problems.clear();
        }
        // The top album's list is the designed one, kept while the source stays; the albums below
        // are found again whenever what they depend on changed.
        const std::string albums =
            job.m_bAlbums ? "on\n" + job.m_strDestFolder + "\n" + job.m_strStylePath : std::string();
        if (sourceChanged || albums != m_strScannedAlbums) {
            // A top album emptied because it held albums would be a gallery of nothing without them.
            if (!sourceChanged && albums.empty() && m_publisher.m_imageList.GetSize() == 0) {
                m_publisher.ScanSourceFolder();
            }
            m_strScannedAlbums = albums;
            ScanAlbums();
        }
        FillList();
        if (m_list->topLevelItemCount() > 0) {
            // Also when the preview stays on the same picture: its caption may have changed.
            m_words.ShowCaptionOf(ChosenList().GetPathAt(0));
        }
    }
    return CPropertyPageExt::OnSetActive();
}

// The checks still to make stop when the page is left: the run itself reads every picture, and
// they would only take memory from its budget. Entering again resumes them.
bool CTrelliqImageSentence::OnWizardNext() {
    m_preview->Decoder().CheckPictures({});
    return true;
}

bool CTrelliqImageSentence::OnWizardBack() {
    m_preview->Decoder().CheckPictures({});
    return true;
}

void CTrelliqImageSentence::ScanAlbums() {
    m_publisher.m_albumLists.clear();
    m_albums.assign(1, AlbumChoice{});
    if (!m_strScannedAlbums.empty()) {
        const AlbumScan scan = m_publisher.ScanAlbumTree();
        m_albums[0].albums = scan.top.albums.size();
        for (const Album* album : scan.top.Walk()) {
            if (!album->relativePath.empty()) {
                m_albums.push_back({album->relativePath, album->albums.size()});
                m_publisher.m_albumLists[album->relativePath] = album->pictures;
            }
        }
    }
    m_chosen = 0;
    FillChooser();
}

// The chooser shows only in a gallery of albums; each album by its path from the source, the
// top first and every album before its own albums, with what it holds.
void CTrelliqImageSentence::FillChooser() {
    const QSignalBlocker quiet(m_albumChooser);
    m_albumChooser->clear();
    for (std::size_t i = 0; i < m_albums.size(); ++i) {
        m_albumChooser->addItem(QString());
        ShowChoiceCounts(static_cast<int>(i));
    }
    m_albumChooser->setCurrentIndex(m_chosen);
    const bool albums = !m_strScannedAlbums.empty();
    m_albumLabel->setVisible(albums);
    m_albumChooser->setVisible(albums);
}

void CTrelliqImageSentence::ShowChoiceCounts(int index) {
    const AlbumChoice& choice = m_albums[static_cast<std::size_t>(index)];
    QString text = choice.path.empty() ? QString("Top album") : QString::fromStdString(choice.path);
    text += ": " + CountText(ListOf(index).GetSize());
    if (choice.albums > 0) {
        text += ", " + AlbumCountText(choice.albums);
    }
    m_albumChooser->setItemText(index, text);
    // The full path also where the box is too narrow for it.
    m_albumChooser->setItemData(index, text, Qt::ToolTipRole);
}

void CTrelliqImageSentence::OnAlbumChosen(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_albums.size() || index == m_chosen) {
        return;
    }
    m_chosen = index;
    FillList();
}

ImageList& CTrelliqImageSentence::ListOf(int index) const {
    if (index <= 0) {
        return m_publisher.m_imageList;
    }
    return m_publisher.m_albumLists[m_albums[static_cast<std::size_t>(index)].path];
}

ImageList& CTrelliqImageSentence::ChosenList() const {
    return ListOf(m_chosen);
}

void CTrelliqImageSentence::FillList() {
    m_list->clear();
    const ImageList& images = ChosenList();
    std::vector<std::string> unchecked;
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        const std::string& path = images.GetPathAt(i);
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(path)});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        MarkRow(static_cast<int>(i));
        if (m_problems.count(path) == 0) {
            unchecked.push_back(path);
        }
    }
    m_preview->Decoder().CheckPictures(std::move(unchecked));
    ShowCount();
    if (m_list->topLevelItemCount() > 0) {
        SelectRow(0);
    } else {
        ShowPreviewOf(-1);
    }
}

// The selected picture stays selected in its new place.
void CTrelliqImageSentence::OnSortByDate() {
    const int row = FocusedRow();
    const std::string selected = row >= 0 ? ChosenList().GetPathAt(static_cast<std::size_t>(row)) : "";
    {
        WaitCursor wait;
        m_words.SortByDate(ChosenList());
    }
    FillList();
    const ImageList& images = ChosenList();
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        if (images.GetPathAt(i) == selected) {
            SelectRow(static_cast<int>(i));
            return;
        }
    }
    if (m_list->topLevelItemCount() > 0) {
        SelectRow(0);
    }
}

void CTrelliqImageSentence::ShowCount() {
    QString text = CountText(ChosenList().GetSize());
    if (!m_strScannedAlbums.empty()) {
        std::size_t all = 0;
        for (std::size_t i = 0; i < m_albums.size(); ++i) {
            all += ListOf(static_cast<int>(i)).GetSize();
        }
        text += QString(" in this album, %1 in all %2").arg(all).arg(AlbumCountText(m_albums.size()));
        ShowChoiceCounts(m_chosen);
    }
    m_count->setText(text);
}

// A picture that cannot be read carries a warning sign and, as its tool tip, the reason.
void CTrelliqImageSentence::MarkRow(int row) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    const auto found = m_problems.find(ChosenList().GetPathAt(static_cast<std::size_t>(row)));
    if (found != m_problems.end() && !found->second.isEmpty()) {
        item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxWarning));
        item->setToolTip(0, "This picture cannot be read: " + found->second + ".");
    } else {
        item->setIcon(0, m_noMark);
        item->setToolTip(0, QString());
    }
}

void CTrelliqImageSentence::ShowProblemOfSelection() {
    const int row = FocusedRow();
    const auto found =
        row < 0 ? m_problems.end() : m_problems.find(ChosenList().GetPathAt(static_cast<std::size_t>(row)));
    m_problem->setText(found != m_problems.end() && !found->second.isEmpty()
                           ? "This picture cannot be read: " + found->second + "."
                           : QString());
}

// A check's answer (empty for a picture that reads) or a preview that failed.
void CTrelliqImageSentence::OnPictureProblem(const QString& path, const QString& problem) {
    const std::string key = path.toStdString();
    QString& known = m_problems[key];
    if (!known.isEmpty() && problem.isEmpty()) {
        return;
    }
    known = problem;
    const ImageList& images = ChosenList();
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        if (images.GetPathAt(i) == key) {
            MarkRow(static_cast<int>(i));
        }
    }
    ShowProblemOfSelection();
}

// The Delete key in the list does what the Delete button does.
bool CTrelliqImageSentence::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        OnDelete();
        return true;
    }
    return CPropertyPageExt::eventFilter(watched, event);
}

int CTrelliqImageSentence::FocusedRow() const {
    QTreeWidgetItem* current = m_list->currentItem();
    return current != nullptr ? m_list->indexOfTopLevelItem(current) : -1;
}

void CTrelliqImageSentence::SelectRow(int row) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    m_list->setCurrentItem(item);
    item->setSelected(true);
    m_list->scrollToItem(item);
}

// The preview follows the row that is both focused and selected; it only asks, the decode runs
// on the preview's own thread.
void CTrelliqImageSentence::OnCurrentRowChanged() {
    QTreeWidgetItem* current = m_list->currentItem();
    if (current == nullptr || !current->isSelected()) {
        return;
    }
    ShowPreviewOf(FocusedRow());
}

// A row below 0: no picture (an album that shows only its albums).
void CTrelliqImageSentence::ShowPreviewOf(int row) {
    if (row < 0) {
        m_preview->SetPicture(std::string());
        m_words.captionLabel()->clear();
        m_words.captionLabel()->setToolTip(QString());
        ShowProblemOfSelection();
        return;
    }
    const std::string path = ChosenList().GetPathAt(static_cast<std::size_t>(row));
    if (path != m_preview->path()) {
        m_preview->SetPicture(path);
        m_words.ShowCaptionOf(path);
    }
    ShowProblemOfSelection();
}

void CTrelliqImageSentence::SwapRows(int first, int second) {
    ImageList& images = ChosenList();
    std::swap(images.ElementAt(static_cast<std::size_t>(first)).path,
              images.ElementAt(static_cast<std::size_t>(second)).path);
    for (const int row : {first, second}) {
        m_list->topLevelItem(row)->setText(
            0, QString::fromStdString(images.GetPathAt(static_cast<std::size_t>(row))));
        MarkRow(row);
    }
}

void CTrelliqImageSentence::OnMoveUp() {
    const int row = FocusedRow();
    if (row <= 0) {
        return;
    }
    SwapRows(row - 1, row);
    SelectRow(row - 1);
}

void CTrelliqImageSentence::OnMoveDown() {
    const int row = FocusedRow();
    if (row < 0 || row + 1 >= m_list->topLevelItemCount()) {
        return;
    }
    SwapRows(row, row + 1);
    SelectRow(row + 1);
}

// The row that takes the deleted one's place is selected next: the following picture, or the one
// before when the last was deleted. An album keeps its last picture unless it holds albums: then
// it still has something to show, and shows only its albums; so no album is ever left empty.
void CTrelliqImageSentence::OnDelete() {
    const int row = FocusedRow();
    if (row < 0) {
        return;
    }
    ImageList& images = ChosenList();
    if (images.GetSize() < 2 && m_albums[static_cast<std::size_t>(m_chosen)].albums == 0) {
        ShowMessageBox(this, "Last file can not be removed", "Information", QMessageBox::NoIcon);
        return;
    }
    delete m_list->takeTopLevelItem(row);
    images.RemoveAt(static_cast<std::size_t>(row), 1);
    ShowCount();
    if (m_list->topLevelItemCount() == 0) {
        ShowPreviewOf(-1);
        return;
    }
    SelectRow(std::min(row, m_list->topLevelItemCount() - 1));
}
