#include "wizard/trelliq_image_sentence.h"

#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "engine/publication_run.h"
#include "imaging/widgets/preview_static.h"
#include "imaging/widgets/wait_cursor.h"
#include "wizard/message_box.h"

CTrelliqImageSentence::CTrelliqImageSentence(GalleryPublisher& publisher, QWidget* parent)
    : CPropertyPageExt("imageOrderPage", parent),
      m_list(new QTreeWidget(this)),
      m_moveUp(new QPushButton("Move Up", this)),
      m_moveDown(new QPushButton("Move Down", this)),
      m_delete(new QPushButton("Delete", this)),
      m_preview(new CPreviewStatic(this)),
      m_publisher(publisher),
      m_words(this) {
    m_list->setObjectName("pictureList");
    m_moveUp->setObjectName("moveUpButton");
    m_moveDown->setObjectName("moveDownButton");
    m_delete->setObjectName("deleteButton");
    m_preview->setObjectName("preview");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_list->header()->setStretchLastSection(false);
    m_preview->setMinimumSize(200, 150);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_list, 0, 0, 1, 4);
    layout->addWidget(m_preview, 0, 4);
    layout->addWidget(m_moveUp, 1, 0);
    layout->addWidget(m_moveDown, 1, 1);
    layout->addWidget(m_delete, 1, 2);
    layout->addWidget(m_words.sortButton(), 2, 0, 1, 2);
    layout->addWidget(m_words.captionLabel(), 1, 4, 2, 1);
    layout->setColumnStretch(3, 1);
    layout->setColumnStretch(4, 1);

    connect(m_list, &QTreeWidget::currentItemChanged, this, &CTrelliqImageSentence::OnCurrentRowChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CTrelliqImageSentence::OnCurrentRowChanged);
    connect(m_moveUp, &QPushButton::clicked, this, &CTrelliqImageSentence::OnMoveUp);
    connect(m_moveDown, &QPushButton::clicked, this, &CTrelliqImageSentence::OnMoveDown);
    connect(m_delete, &QPushButton::clicked, this, &CTrelliqImageSentence::OnDelete);
    connect(m_words.sortButton(), &QPushButton::clicked, this, &CTrelliqImageSentence::OnSortByDate);
}

void CTrelliqImageSentence::OnInitDialog() {
    m_strScannedFolder.clear();
    m_list->setHeaderLabels({"Source images"});
    m_list->setColumnWidth(0, 700);
}

bool CTrelliqImageSentence::OnSetActive() {
    {
        WaitCursor wait;
        const std::string& source = Job().m_strSourceFolder;
        if (m_strScannedFolder != source) {
            m_publisher.ScanSourceFolder();
            m_strScannedFolder = source;
        }
        FillList();
        if (m_list->topLevelItemCount() > 0) {
            SelectRow(0);
            // Also when the preview stays on the same picture: its caption may have changed.
            m_words.ShowCaptionOf(m_publisher.m_imageList.GetPathAt(0));
        }
    }
    return CPropertyPageExt::OnSetActive();
}

void CTrelliqImageSentence::FillList() {
    m_list->clear();
    const ImageList& images = m_publisher.m_imageList;
    for (std::size_t i = 0; i < images.GetSize(); ++i) {
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(images.GetPathAt(i))});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
}

// The selected picture stays selected in its new place.
void CTrelliqImageSentence::OnSortByDate() {
    const int row = FocusedRow();
    const std::string selected =
        row >= 0 ? m_publisher.m_imageList.GetPathAt(static_cast<std::size_t>(row)) : "";
    {
        WaitCursor wait;
        m_words.SortByDate(m_publisher.m_imageList);
    }
    FillList();
    const ImageList& images = m_publisher.m_imageList;
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

// The preview follows the row that is both focused and selected.
void CTrelliqImageSentence::OnCurrentRowChanged() {
    QTreeWidgetItem* current = m_list->currentItem();
    if (current == nullptr || !current->isSelected()) {
        return;
    }
    const std::string path = m_publisher.m_imageList.GetPathAt(static_cast<std::size_t>(FocusedRow()));
    if (path != m_preview->path()) {
        m_preview->SetPicture(path);
        m_words.ShowCaptionOf(path);
    }
}

void CTrelliqImageSentence::SwapRows(int first, int second) {
    ImageList& images = m_publisher.m_imageList;
    std::swap(images.ElementAt(static_cast<std::size_t>(first)).path,
              images.ElementAt(static_cast<std::size_t>(second)).path);
    m_list->topLevelItem(first)->setText(
        0, QString::fromStdString(images.GetPathAt(static_cast<std::size_t>(first))));
    m_list->topLevelItem(second)->setText(
        0, QString::fromStdString(images.GetPathAt(static_cast<std::size_t>(second))));
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

void CTrelliqImageSentence::OnDelete() {
    const int row = FocusedRow();
    if (row < 0) {
        return;
    }
    if (m_publisher.m_imageList.GetSize() < 2) {
        ShowMessageBox(this, "Last file can not be removed", "Information", QMessageBox::NoIcon);
        return;
    }
    delete m_list->takeTopLevelItem(row);
    m_publisher.m_imageList.RemoveAt(static_cast<std::size_t>(row), 1);
    SelectRow(row > 0 ? row - 1 : 0);
}
