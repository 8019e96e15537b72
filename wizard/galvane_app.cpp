#include "wizard/galvane_app.h"

#include <QIcon>
#include <filesystem>

#include "engine/program_info.h"
#include "uploader/host/focus_style.h"
#include "wizard/trelliq_sheet.h"

// Resources of a static library are not registered by themselves.
static void InitResources() {
    Q_INIT_RESOURCE(galvane);
}

CGalvaneApp::CGalvaneApp(int& argc, char** argv) : QApplication(argc, argv), m_strHelpPath(FindHelpPath()) {
    InitResources();
    setApplicationName(kProgramName);
    setApplicationVersion(QString::number(kProgramVersion, 'f', 2));
    setWindowIcon(QIcon(":/galvane/galvane.png"));
    setStyle(new FocusStyle);
}

int CGalvaneApp::RunWizard() {
    CTrelliqSheet sheet;
    sheet.exec();
    return 0;
}

CGalvaneApp* GetGalvaneApp() {
    return qobject_cast<CGalvaneApp*>(QCoreApplication::instance());
}

GalleryJob& GetGalleryJob() {
    return *GetGalvaneApp();
}

std::string FindHelpPath() {
    const std::string name = "/galvane.html";
    std::error_code ec;
    for (const std::string& folder : DataFolders()) {
        if (std::filesystem::exists(folder + name, ec)) {
            return folder + name;
        }
    }
    return ProgramFolder() + name;
}
