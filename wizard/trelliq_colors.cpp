#include "wizard/trelliq_colors.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "engine/style_library.h"
#include "imaging/widgets/color_example_static.h"
#include "wizard/data_exchange.h"
#include "wizard/message_box.h"
#include "wizard/qt_bridge.h"

CTrelliqColors::CTrelliqColors(QWidget* parent)
    : CPropertyPageExt("colorsPage", parent),
      m_chooseColor([](const QColor& initial, QWidget* owner) {
          return QColorDialog::getColor(initial, owner, "Color");
      }),
      m_chooseFile([](QWidget* owner, const QString& filter) {
          return QFileDialog::getOpenFileName(owner, "Open", QString(), filter);
      }),
      m_example(new CColorExampleStatic(this)),
      m_textColor(new QPushButton("Text color", this)),
      m_bkgndColor(new QPushButton("Bkgnd color", this)),
      m_useBkgnd(new QCheckBox("Background image", this)),
      m_pathEdit(new QLineEdit(this)),
      m_browse(new QPushButton("Browse", this)) {
    Job().m_bUseBkgndImage = 0;
    m_example->setObjectName("colorExample");
    m_textColor->setObjectName("textColorButton");
    m_bkgndColor->setObjectName("bkgndColorButton");
    m_useBkgnd->setObjectName("backgroundCheck");
    m_pathEdit->setObjectName("backgroundPathEdit");
    m_browse->setObjectName("backgroundBrowseButton");
    m_pathEdit->setReadOnly(true);
    m_example->setMinimumSize(240, 150);

    auto* explanation = new QLabel(
        "Please select background color for your HTML pages and (or) bacground image for its.", this);
    explanation->setWordWrap(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(explanation, 0, 0, 1, 3);
    layout->addWidget(m_example, 1, 0, 5, 1);
    layout->addWidget(m_textColor, 1, 1, 1, 2);
    layout->addWidget(m_bkgndColor, 2, 1, 1, 2);
    layout->addWidget(m_useBkgnd, 3, 1, 1, 2);
    layout->addWidget(m_pathEdit, 4, 1);
    layout->addWidget(m_browse, 4, 2);
    layout->setRowStretch(5, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);

    connect(m_useBkgnd, &QCheckBox::clicked, this, &CTrelliqColors::OnUseBkgndClicked);
    connect(m_bkgndColor, &QPushButton::clicked, this, &CTrelliqColors::OnBkgndColor);
    connect(m_textColor, &QPushButton::clicked, this, &CTrelliqColors::OnTextColor);
    connect(m_browse, &QPushButton::clicked, this, &CTrelliqColors::OnBrowse);
}

void CTrelliqColors::DoDataExchange(DataExchange& dx) {
    ExchangeCheck(dx, m_useBkgnd, m_bUseBkgnd);
    ExchangeText(dx, m_pathEdit, m_strBkgndPath);
}

void CTrelliqColors::OnInitDialog() {
    UpdateData(false);
    GalleryJob& job = Job();
    job.m_crBkgndColor = ToColorRef(SystemWindowColor());
    job.m_crTextColor = ToColorRef(SystemWindowTextColor());
    // The style's own background picture is proposed once, when the page is first shown.
    const std::string styleBackground = FindStyleBackground(job.m_strStylePath);
    if (!styleBackground.empty()) {
        job.m_strBkgndImage = styleBackground;
        m_strBkgndPath = styleBackground;
        m_bUseBkgnd = 1;
        job.m_bUseBkgndImage = 1;
    } else {
        m_bUseBkgnd = 0;
        job.m_bUseBkgndImage = 0;
    }
    UpdateData(false);
    ShowInExample();
}

bool CTrelliqColors::OnSetActive() {
    ShowInExample();
    EnablePath();
    return CPropertyPageExt::OnSetActive();
}

// The example shows what the pages will get: the picture only while the box is checked.
void CTrelliqColors::ShowInExample() {
    const GalleryJob& job = Job();
    m_example->m_crBkgndColor = job.m_crBkgndColor;
    m_example->m_crTextColor = job.m_crTextColor;
    m_example->m_strBkgndImage = m_bUseBkgnd == 1 ? job.m_strBkgndImage : std::string();
    m_example->update();
}

void CTrelliqColors::EnablePath() {
    m_pathEdit->setEnabled(m_bUseBkgnd == 1);
    m_browse->setEnabled(m_bUseBkgnd == 1);
}

void CTrelliqColors::OnUseBkgndClicked() {
    UpdateData(true);
    GalleryJob& job = Job();
    job.m_bUseBkgndImage = m_bUseBkgnd == 1 ? 1 : 0;
    if (m_bUseBkgnd == 1) {
        job.m_strBkgndImage = m_strBkgndPath;
    }
    EnablePath();
    ShowInExample();
    UpdateData(false);
}

void CTrelliqColors::OnBkgndColor() {
    // The chooser opens on the desktop's colour, not on the current choice.
    const QColor color = m_chooseColor(SystemWindowColor(), window());
    if (color.isValid()) {
        Job().m_crBkgndColor = ToColorRef(color);
        ShowInExample();
    }
}

void CTrelliqColors::OnTextColor() {
    const QColor color = m_chooseColor(SystemWindowTextColor(), window());
    if (color.isValid()) {
        Job().m_crTextColor = ToColorRef(color);
        ShowInExample();
    }
}

void CTrelliqColors::OnBrowse() {
    const QString path = m_chooseFile(window(), QtFileFilter(kBackgroundFilter));
    if (path.isEmpty()) {
        return;
    }
    Job().m_strBkgndImage = path.toStdString();
    m_strBkgndPath = Job().m_strBkgndImage;
    UpdateData(false);
    ShowInExample();
}

bool CTrelliqColors::OnWizardNext() {
    UpdateData(true);
    GalleryJob& job = Job();
    job.m_strBkgndImage = m_strBkgndPath;
    job.m_bUseBkgndImage = m_bUseBkgnd;
    std::error_code ec;
    if (m_bUseBkgnd == 1 &&
        (job.m_strBkgndImage.empty() || !std::filesystem::exists(job.m_strBkgndImage, ec))) {
        ShowMessageBox(
            this,
            "Background file is not exist. Input path to background image (press \"Browse\" button) or "
            "unselect \"Use background image\" checkbox.",
            "Warning", QMessageBox::Warning);
        return false;
    }
    return true;
}
