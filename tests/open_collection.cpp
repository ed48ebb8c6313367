#include "store/Database.h"
#include "store/DbError.h"

#include <QCoreApplication>
#include <QTextStream>

// open_collection FILE: opens a collection as the program does at start-up and
// prints 0, or the error number and its text. Tests run it as another user,
// to whom file modes apply.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    try {
        Database::OpenDatabase(app.arguments().value(1));
        out << "0\n";
    } catch (const DbError& e) {
        out << e.number() << ' ' << e.description() << '\n';
    }
    return 0;
}
