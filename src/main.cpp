#include "app/Program.h"
#include "app/ProgramPaths.h"
#include "render/RenderCommandLine.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (RenderCommandLine::isRequested(argc, argv))
        return RenderCommandLine::run(argc, argv, &ProgramPaths::programFolder);
    QApplication app(argc, argv);
    Program::describeApplication();
    Program program;
    program.start();
    return QApplication::exec();
}
