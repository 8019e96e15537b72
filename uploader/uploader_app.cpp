#include "uploader/uploader_app.h"

#include <QIcon>

#include "uploader/host/focus_style.h"
#include "uploader/uploader_dialog.h"

CUploaderApp::CUploaderApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Skiffer");
    setApplicationVersion(SKIFFER_VERSION);
    setWindowIcon(QIcon(":/skiffer/skiffer.png"));
    setStyle(new FocusStyle);
}

int CUploaderApp::Run() {
    CUploaderDialog dialog;
    dialog.exec();
    return 0;
}
