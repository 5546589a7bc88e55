#include "app/shell/startup.h"
#include "platform/printing.h"
#include "print/objects/registration.h"
#include "report/output/printer.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", kv::VersionText().toUtf8().constData());
            return 0;
        }
    }
    QApplication app(argc, argv);
    // The report objects of the cutting maps, before any template is read.
    RegisterPrintObjects();
    // The machine's printers: the default one is read now, another when it is chosen.
    rpAssignPrintSystem(kv::CreateQtPrintSystem());
    kv::StartOptions options;
    options.arguments = app.arguments().mid(1);
    return kv::RunApplication(app, options);
}
