#include "wizard/trelliq_image_settings.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "wizard/data_exchange.h"

namespace {

QLineEdit* NumberEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(80);
    return edit;
}

QLabel* WrappedLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CTrelliqImageSettings::CTrelliqImageSettings(QWidget* parent)
    : CPropertyPageExt("imageSettingsPage", parent),
      m_thumbWidthEdit(NumberEdit("thumbWidthEdit", this)),
      m_thumbHeightEdit(NumberEdit("thumbHeightEdit", this)),
      m_largeWidthEdit(NumberEdit("largeWidthEdit", this)),
      m_largeHeightEdit(NumberEdit("largeHeightEdit", this)),
      m_gif(new QRadioButton("GIF files", this)),
      m_jpg(new QRadioButton("JPG files", this)),
      m_qualityEdit(NumberEdit("qualityEdit", this)) {
    m_gif->setObjectName("gifRadio");
    m_jpg->setObjectName("jpgRadio");
    auto* formats = new QButtonGroup(this);
    formats->addButton(m_gif);
    formats->addButton(m_jpg);

    auto* layout = new QGridLayout(this);
    int row = 0;
    auto addSizes = [&](const char* explanation, QLineEdit* width, QLineEdit* height) {
        layout->addWidget(WrappedLabel(explanation, this), row++, 0, 1, 6);
        layout->addWidget(new QLabel("No more than:", this), row, 0);
        layout->addWidget(width, row, 1);
        layout->addWidget(new QLabel("Width", this), row, 2);
        layout->addWidget(height, row, 3);
        layout->addWidget(new QLabel("Height", this), row++, 4);
    };
    addSizes("Size restriction of small picture (thumbnail). If this parameter is 0 then it not use.",
             m_thumbWidthEdit, m_thumbHeightEdit);
    addSizes("Size restriction of large pictures. If this parameter is 0 then it not use.", m_largeWidthEdit,
             m_largeHeightEdit);
    layout->addWidget(new QLabel("You want save large pictures as:", this), row++, 0, 1, 6);
    layout->addWidget(m_gif, row++, 0, 1, 2);
    auto* jpgRow = new QHBoxLayout;
    jpgRow->addWidget(m_jpg);
    jpgRow->addSpacing(12);
    jpgRow->addWidget(m_qualityEdit);
    jpgRow->addWidget(new QLabel("JPEG quality", this));
    jpgRow->addStretch(1);
    layout->addLayout(jpgRow, row++, 0, 1, 6);
    layout->setRowStretch(row, 1);
    layout->setColumnStretch(5, 1);

    connect(m_jpg, &QRadioButton::clicked, this, [this] { OnFormatClicked(kDefaultQuality); });
    connect(m_gif, &QRadioButton::clicked, this, [this] { OnFormatClicked(0); });
}

void CTrelliqImageSettings::DoDataExchange(DataExchange& dx) {
    ExchangeUnsigned(dx, m_thumbWidthEdit, m_nThumbWidth);
    ExchangeUnsigned(dx, m_thumbHeightEdit, m_nThumbHeight);
    ExchangeUnsigned(dx, m_largeWidthEdit, m_nLargeWidth);
    ExchangeUnsigned(dx, m_largeHeightEdit, m_nLargeHeight);
    ExchangeRadio(dx, {m_jpg, m_gif}, m_nFormat);
    ExchangeUnsigned(dx, m_qualityEdit, m_nQuality);
    ValidateRange(dx, m_qualityEdit, m_nQuality, 0, 100);
}

void CTrelliqImageSettings::OnInitDialog() {
    UpdateData(false);
}

bool CTrelliqImageSettings::OnSetActive() {
    // Large pictures are made only when the destination is not the source folder itself.
    const bool large = Job().m_strSourceFolder != Job().m_strDestFolder;
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_gif, m_jpg, m_largeWidthEdit, m_largeHeightEdit, m_qualityEdit}) {
        control->setEnabled(large);
    }
    UpdateData(false);
    return CPropertyPageExt::OnSetActive();
}

void CTrelliqImageSettings::OnFormatClicked(unsigned quality) {
    UpdateData(true);
    m_qualityEdit->setEnabled(m_nFormat != kGif);
    m_nQuality = quality;
    UpdateData(false);
}

bool CTrelliqImageSettings::OnWizardNext() {
    if (!UpdateData(true)) {
        return false;
    }
    GalleryJob& job = Job();
    job.m_nLargeMaxWidth = static_cast<std::int32_t>(m_nLargeWidth);
    job.m_nLargeMaxHeight = static_cast<std::int32_t>(m_nLargeHeight);
    job.m_nThumbMaxWidth = static_cast<std::int32_t>(m_nThumbWidth);
    job.m_nThumbMaxHeight = static_cast<std::int32_t>(m_nThumbHeight);
    job.m_nJpegQuality = static_cast<std::int32_t>(m_nQuality);
    return true;
}

bool CTrelliqImageSettings::OnWizardBack() {
    return UpdateData(true);
}
