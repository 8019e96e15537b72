#pragma once

#include <QApplication>

// Skiffer's application object: shows the uploader dialog, and the program ends when it closes.
class CUploaderApp : public QApplication {
    Q_OBJECT

public:
    CUploaderApp(int& argc, char** argv);

    // Runs the dialog modally; returns the process's exit status.
    int Run();
};
