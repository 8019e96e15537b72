#include "wizard/trelliq_addresses.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "engine/folder_checks.h"
#include "engine/publication_run.h"
#include "engine/style_library.h"
#include "wizard/data_exchange.h"
#include "wizard/message_box.h"

namespace {

QLabel* WrappedLabel(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// Only the existence of the name counts: a file passes as well as a folder.
bool NameExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

// Any style's folder, not only the chosen one's: a run there deletes that style's templates.
bool DestinationHoldsAStyle(const GalleryJob& job) {
    GalleryJob scratch;
    std::vector<StyleInfo> styles;
    DiscoverStyles(scratch, styles);
    std::vector<std::string> paths{job.m_strStylePath};
    for (const StyleInfo& style : styles) {
        paths.push_back(style.path);
    }
    std::error_code ec;
    return std::filesystem::is_directory(job.m_strDestFolder, ec) &&
           FolderHoldsStyle(job.m_strDestFolder, paths);
}

void CutTrailingSlash(std::string& folder) {
    if (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
}

}  // namespace

CTrelliqAddresses::CTrelliqAddresses(QWidget* parent)
    : CPropertyPageExt("addressesPage", parent),
      m_browseForFolder([](QWidget* owner, const QString& title) {
          return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
      }),
      m_sourceEdit(new QLineEdit(this)),
      m_sourceBrowse(new QPushButton("Browse", this)),
      m_useOriginal(new QCheckBox("Use original source. ", this)),
      m_destEdit(new QLineEdit(this)),
      m_destBrowse(new QPushButton("Browse", this)),
      m_albums(new QCheckBox("Publish subfolders as albums", this)) {
    m_sourceEdit->setObjectName("sourceEdit");
    m_sourceBrowse->setObjectName("sourceBrowseButton");
    m_useOriginal->setObjectName("useOriginalCheck");
    m_destEdit->setObjectName("destEdit");
    m_destBrowse->setObjectName("destBrowseButton");

    auto* layout = new QGridLayout(this);
    layout->addWidget(WrappedLabel("Source pictures folder. Folder in which are situated pictures for "
                                   "publications. The program will preparing oly specified folder witout "
                                   "subfolders",
                                   this),
                      0, 0, 1, 2);
    layout->addWidget(m_sourceEdit, 1, 0);
    layout->addWidget(m_sourceBrowse, 1, 1);
    layout->addWidget(WrappedLabel("If you want use in your publication original source without any "
                                   "modifications then check item above. In this case the Trelliq will be "
                                   "create only thumbnains for avery image.",
                                   this),
                      2, 0, 1, 2);
    layout->addWidget(m_useOriginal, 3, 0, 1, 2);
    layout->addWidget(WrappedLabel("Destination pictures' folder. Results of work will be location in this "
                                   "folder.",
                                   this),
                      4, 0, 1, 2);
    layout->addWidget(m_destEdit, 5, 0);
    layout->addWidget(m_destBrowse, 5, 1);
    m_albums->setObjectName("albumsCheck");
    layout->addWidget(m_albums, 6, 0, 1, 2);
    connect(m_albums, &QCheckBox::toggled, this, [this](bool on) { Job().m_bAlbums = on; });
    layout->setRowStretch(7, 1);

    connect(m_sourceEdit, &QLineEdit::textChanged, this, &CTrelliqAddresses::OnSourceChanged);
    connect(m_destEdit, &QLineEdit::textChanged, this, &CTrelliqAddresses::OnDestChanged);
    connect(m_useOriginal, &QCheckBox::clicked, this, &CTrelliqAddresses::OnUseOriginalClicked);
    connect(m_sourceBrowse, &QPushButton::clicked, this, &CTrelliqAddresses::OnSourceBrowse);
    connect(m_destBrowse, &QPushButton::clicked, this, &CTrelliqAddresses::OnDestBrowse);
}

void CTrelliqAddresses::DoDataExchange(DataExchange& dx) {
    ExchangeText(dx, m_sourceEdit, m_strSource);
    ExchangeCheck(dx, m_useOriginal, m_bUseOriginal);
    ExchangeText(dx, m_destEdit, m_strDest);
}

void CTrelliqAddresses::OnInitDialog() {
    UpdateData(false);
    SetWizardButtons(kWizardBack);
}

bool CTrelliqAddresses::OnSetActive() {
    UpdateData(false);
    m_albums->setChecked(Job().m_bAlbums);
    ApplyButtonRule();
    ApplyUseOriginal();
    return CPropertyPageExt::OnSetActive();
}

void CTrelliqAddresses::ApplyButtonRule() {
    const bool longEnough =
        QString::fromStdString(m_strSource).size() >= 2 && QString::fromStdString(m_strDest).size() >= 2;
    SetWizardButtons(longEnough ? kWizardBack | kWizardNext : kWizardBack);
}

void CTrelliqAddresses::ApplyUseOriginal() {
    m_destEdit->setReadOnly(m_bUseOriginal == 1);
    m_destBrowse->setEnabled(m_bUseOriginal == 0);
}

void CTrelliqAddresses::OnSourceChanged() {
    UpdateData(true);
    if (m_bUseOriginal == 1) {
        m_strDest = m_strSource;
        UpdateData(false);
    }
    Job().m_strDestFolder = m_strDest;
    Job().m_strSourceFolder = m_strSource;
    ApplyButtonRule();
}

void CTrelliqAddresses::OnDestChanged() {
    UpdateData(true);
    Job().m_strDestFolder = m_strDest;
    ApplyButtonRule();
}

void CTrelliqAddresses::OnUseOriginalClicked() {
    UpdateData(true);
    if (m_bUseOriginal == 1) {
        m_strDest = m_strSource;
    }
    ApplyUseOriginal();
    UpdateData(false);
    OnDestChanged();
    OnSourceChanged();
}

void CTrelliqAddresses::OnSourceBrowse() {
    const QString folder = m_browseForFolder(
        window(), "Choice source folder with images which will prepaping for your publication.");
    if (!folder.isEmpty()) {
        m_strSource = folder.toStdString();
        Job().m_strSourceFolder = m_strSource;
        if (m_bUseOriginal == 1) {
            m_strDest = m_strSource;
            Job().m_strDestFolder = m_strDest;
        }
        UpdateData(false);
    }
    OnDestChanged();
    OnSourceChanged();
}

void CTrelliqAddresses::OnDestBrowse() {
    const QString folder = m_browseForFolder(
        window(), "Choice destination folder. In this folder will be copying results of preparations.");
    if (!folder.isEmpty()) {
        m_strDest = folder.toStdString();
        Job().m_strDestFolder = m_strDest;
        UpdateData(false);
    }
    OnDestChanged();
    OnSourceChanged();
}

bool CTrelliqAddresses::OnWizardBack() {
    UpdateData(true);
    return true;
}

bool CTrelliqAddresses::OnWizardNext() {
    UpdateData(true);
    Job().m_strDestFolder = m_strDest;
    Job().m_strSourceFolder = m_strSource;
    CutTrailingSlash(Job().m_strDestFolder);
    CutTrailingSlash(Job().m_strSourceFolder);
    return CheckFolders();
}

bool CTrelliqAddresses::CheckFolders() {
    const GalleryJob& job = Job();
    if (!NameExists(job.m_strSourceFolder)) {
        ShowMessageBox(
            window(),
            "Source folder is not found. Please enter correct path to your source folder with images.",
            "Warning", QMessageBox::Warning);
        return false;
    }
    if (!SourceHoldsPictures(job.m_strSourceFolder)) {
        return false;
    }
    // The run deletes the templates it finds in the destination: it must never be the style itself.
    if (DestinationIsStyleFolder(job)) {
        ShowMessageBox(window(),
                       "Destination folder is the folder of selected style. Please select other destination "
                       "folder for results of work.",
                       "Warning", QMessageBox::Warning);
        return false;
    }
    if (DestinationHoldsAStyle(job)) {
        ShowMessageBox(window(),
                       "Destination folder holds a style. Please select other destination folder for results "
                       "of work.",
                       "Warning", QMessageBox::Warning);
        return false;
    }
    if (NameExists(job.m_strDestFolder)) {
        return DestinationWritable(job.m_strDestFolder);
    }
    if (ShowMessageBox(window(), "Destination folder is not found. Want you create specified folder?",
                       "Warning", QMessageBox::Question,
                       QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directory(job.m_strDestFolder, ec);
    // Moving on into a folder that is not there would end in a gallery of nothing, reported as done.
    if (!std::filesystem::is_directory(job.m_strDestFolder, ec)) {
        ShowMessageBox(
            window(),
            "Can not create destination folder. Please enter correct path to your destination folder.",
            "Warning", QMessageBox::Warning);
        return false;
    }
    return DestinationWritable(job.m_strDestFolder);
}

// A source without pictures would publish an empty gallery and call it done.
bool CTrelliqAddresses::SourceHoldsPictures(const std::string& folder) {
    std::string reason;
    const SourceState state = CheckSourcePictures(folder, reason, Job().m_bAlbums);
    if (state == SourceState::HoldsPictures) {
        return true;
    }
    const QString name = QString::fromStdString(folder);
    const QString text =
        state == SourceState::Unreadable
            ? QString("Source folder \"%1\" cannot be read: %2. Please choose a folder you can read.")
                  .arg(name, QString::fromStdString(reason))
            : QString(
                  "Source folder \"%1\" holds no pictures. Please choose a folder with JPEG, PNG, GIF, "
                  "TIFF, BMP, PCX, TGA, WebP, HEIC or AVIF pictures.")
                  .arg(name);
    ShowMessageBox(window(), text.toStdString(), "Warning", QMessageBox::Warning);
    return false;
}

// A destination that cannot be written would have every picture fail during the run.
bool CTrelliqAddresses::DestinationWritable(const std::string& folder) {
    std::string reason;
    if (CanWriteIntoFolder(folder, reason)) {
        return true;
    }
    ShowMessageBox(window(),
                   QString("Destination folder \"%1\" cannot be written: %2. Please choose a folder you "
                           "can write to.")
                       .arg(QString::fromStdString(folder), QString::fromStdString(reason))
                       .toStdString(),
                   "Warning", QMessageBox::Warning);
    return false;
}
