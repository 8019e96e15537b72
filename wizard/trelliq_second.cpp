#include "wizard/trelliq_second.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/program_info.h"
#include "engine/style_library.h"
#include "imaging/widgets/picture_preview.h"
#include "wizard/shell.h"

namespace {

// A list that gains the keyboard focus without making a row current: the view would otherwise
// mark the first row, which then looks chosen while nothing is. The first arrow key picks it.
class StyleList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void focusInEvent(QFocusEvent* event) override {
        const bool hadCurrent = currentIndex().isValid();
        QTreeWidget::focusInEvent(event);
        if (!hadCurrent && selectionModel() != nullptr) {
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    }
};

}  // namespace

CTrelliqSecond::CTrelliqSecond(QWidget* parent)
    : CPropertyPageExt("stylePage", parent),
      m_styleFolders(DataFolders()),
      m_list(new StyleList(this)),
      m_viewEdit(new QPushButton("View/Edit", this)),
      m_pickHint(new QLabel("Pick a style in the list to go on.", this)),
      m_stylePreview(new CPicturePreview(this)) {
    m_list->setObjectName("styleList");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    m_list->setHeaderLabels({"Styles"});
    m_list->header()->setStretchLastSection(false);
    // The names are short; the designed 700-pixel column would only add a scroll bar beside the preview.
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_viewEdit->setObjectName("viewEditButton");
    m_pickHint->setObjectName("pickHint");
    m_stylePreview->setObjectName("stylePreview");
    m_stylePreview->setMinimumSize(240, 180);

    auto* text = new QLabel(
        "Open folder with resources for this publication. You can rename any style. You can create "
        "modification in HTML files. As example : you can add background for every HTML page. For more "
        "info see help file.",
        this);
    text->setWordWrap(true);

    auto* row = new QHBoxLayout;
    row->addWidget(text, 1);
    row->addWidget(m_viewEdit, 0, Qt::AlignTop);
    auto* styles = new QHBoxLayout;
    styles->addWidget(m_list, 2);
    styles->addWidget(m_stylePreview, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(styles, 1);
    layout->addWidget(m_pickHint);
    layout->addLayout(row);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                // A click into the empty part of the list only deselects: the change still names the
                // item, so the style chosen last stays chosen.
                const QItemSelection& changed = selected.isEmpty() ? deselected : selected;
                OnItemChanged(changed.isEmpty() ? -1 : changed.indexes().first().row());
            });
    connect(m_viewEdit, &QPushButton::clicked, this, &CTrelliqSecond::OnViewEdit);
}

void CTrelliqSecond::OnInitDialog() {
    FillList();
    SetWizardButtons(Job().m_nStyleCount > 0 ? kWizardBack | kWizardNext : kWizardBack);
}

bool CTrelliqSecond::OnSetActive() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    const int index = selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
    OnItemChanged(index);
    return CPropertyPageExt::OnSetActive();
}

void CTrelliqSecond::FillList() {
    std::vector<StyleInfo> styles;
    DiscoverStylesIn(m_styleFolders, Job(), styles);
    m_stylePaths.clear();
    m_list->clear();
    m_list->setColumnWidth(0, 700);
    for (std::size_t i = 0; i < styles.size(); ++i) {
        m_stylePaths.push_back(styles[i].path);
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(styles[i].displayName)});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
    if (styles.empty()) {
        new QTreeWidgetItem(m_list, {"Styles not found"});
    }
}

void CTrelliqSecond::OnItemChanged(int index) {
    if (index >= 0 && index < Job().m_nStyleCount && static_cast<std::size_t>(index) < m_stylePaths.size()) {
        ChooseStyle(index);
        return;
    }
    SetWizardButtons(kWizardBack);
    m_viewEdit->setEnabled(false);
    m_pickHint->setText(Job().m_nStyleCount > 0 ? "Pick a style in the list to go on." : "");
    m_stylePreview->SetPicture(std::string());
}

void CTrelliqSecond::ChooseStyle(int index) {
    SetWizardButtons(kWizardBack | kWizardNext);
    Job().m_nSelectedStyle = index;
    Job().m_strStylePath = m_stylePaths[static_cast<std::size_t>(index)];
    m_viewEdit->setEnabled(true);
    m_pickHint->setText(
        QString("%1 is chosen. Press Next to go on with it.").arg(m_list->topLevelItem(index)->text(0)));
    m_stylePreview->SetPicture(FindStylePreview(Job().m_strStylePath));
}

void CTrelliqSecond::OnViewEdit() {
    ExploreFolder(Job().m_strStylePath);
}
