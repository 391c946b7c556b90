#include "app/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Program::describeApplication();
    Program program;
    program.start();
    return QApplication::exec();
}
