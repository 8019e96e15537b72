#include "wizard/trelliq_progress.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

#include "engine/publication_run.h"
#include "wizard/data_exchange.h"
#include "wizard/logo_link.h"
#include "wizard/property_sheet_ext.h"
#include "wizard/publication_worker.h"

namespace {

// The run's progress, applied to the page on the GUI thread before the run goes on.
class PageProgressSink : public ProgressSink {
public:
    explicit PageProgressSink(CTrelliqProgress& page) : m_page(page) {}
    void SetProgress(int position, int range) override {
        QMetaObject::invokeMethod(
            &m_page, [this, position, range] { m_page.SetProgress(position, range); },
            Qt::BlockingQueuedConnection);
    }
    // Shown without holding the run up; it arrives before the bar's next step all the same.
    void SetCurrentPicture(int number, int count, const std::string& name) override {
        QMetaObject::invokeMethod(
            &m_page,
            [this, number, count, picture = QString::fromStdString(name)] {
                m_page.ShowCurrentPicture(number, count, picture);
            },
            Qt::QueuedConnection);
    }

private:
    CTrelliqProgress& m_page;
};

// The wizard as the run sees it. Button changes are posted; once the sheet is closing they do
// nothing, so a run that ends then cannot move the wizard.
class SheetControl : public WizardControl {
public:
    explicit SheetControl(CPropertySheetExt& sheet) : m_sheet(sheet) {}
    bool SheetExists() const override { return !m_sheet.IsClosing(); }
    void SetWizardButtons(int mask) override {
        QMetaObject::invokeMethod(
            &m_sheet,
            [this, mask] {
                if (!m_sheet.IsClosing()) {
                    m_sheet.SetWizardButtons(mask);
                }
            },
            Qt::QueuedConnection);
    }

private:
    CPropertySheetExt& m_sheet;
};

}  // namespace

CTrelliqProgress::CTrelliqProgress(GalleryPublisher& publisher, QWidget* parent)
    : CPropertyPageExt("progressPage", parent),
      m_banner(new QLabel(this)),
      m_logo(new LogoLink(this)),
      m_status(new QLabel("Work's progress ", this)),
      m_progress(new QProgressBar(this)),
      m_picture(new QLabel(this)),
      m_publisher(publisher) {
    m_banner->setObjectName("banner");
    m_status->setObjectName("statusLine");
    m_progress->setObjectName("progressBar");
    m_picture->setObjectName("pictureLine");
    m_picture->setTextFormat(Qt::PlainText);
    m_banner->setPixmap(QPixmap(":/galvane/banner.png"));
    m_progress->setTextVisible(false);
    auto* explanation = new QLabel(
        "If you have selected a folder with many pictures, then converting process can occupy a long time "
        "(few minutes).",
        this);
    explanation->setWordWrap(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_banner, 0, 0, 1, 2);
    layout->addWidget(explanation, 1, 0, 1, 2);
    layout->addWidget(m_logo, 2, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->setRowStretch(3, 1);
    layout->addWidget(m_picture, 4, 0, 1, 2);
    layout->addWidget(m_status, 5, 0, 1, 2);
    layout->addWidget(m_progress, 6, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    connect(&m_worker, &BackgroundWorker::Finished, this, &CPropertyPageExt::WorkFinished);
    connect(&m_worker, &BackgroundWorker::Finished, this, &CTrelliqProgress::OnRunFinished);
}

CTrelliqProgress::~CTrelliqProgress() {
    m_publisher.RequestCancel();
    m_worker.WaitServingEvents();
}

void CTrelliqProgress::DoDataExchange(DataExchange& dx) {
    ExchangeText(dx, m_status, m_strStatus);
}

void CTrelliqProgress::OnInitDialog() {
    UpdateData(false);
    SetWizardButtons(0);
}

bool CTrelliqProgress::OnSetActive() {
    SetWizardButtons(0);
    StartRun();
    return CPropertyPageExt::OnSetActive();
}

void CTrelliqProgress::StartRun() {
    CPropertySheetExt* sheet = GetSheet();
    if (sheet == nullptr || m_worker.IsRunning()) {
        return;
    }
    m_publisher.ResetCancel();
    m_picture->clear();
    m_worker.Start([this, sheet] {
        PageProgressSink progress(*this);
        SheetControl wizard(*sheet);
        PublicationWorker(m_publisher, progress, wizard);
    });
}

void CTrelliqProgress::OnRunFinished() {
    CPropertySheetExt* sheet = GetSheet();
    // After a cancel the wizard is closing: it must not move on.
    if (sheet == nullptr || sheet->IsClosing() || m_publisher.CancelRequested()) {
        return;
    }
    sheet->SetWizardButtons(kWizardNext);
    sheet->PressButton(WizardButton::Next);
}

void CTrelliqProgress::StopWork() {
    m_publisher.RequestCancel();
}

void CTrelliqProgress::SetProgress(int position, int range) {
    if (range > 0) {
        // The bar's range is a 16-bit value.
        m_progress->setRange(0, std::min(range, 0xFFFF));
    }
    m_progress->setValue(position);
}

void CTrelliqProgress::ShowCurrentPicture(int number, int count, const QString& name) {
    m_picture->setText(QString("%1 of %2: %3").arg(number).arg(count).arg(name));
}
