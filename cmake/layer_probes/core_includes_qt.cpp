// Must not compile: a core file that reaches for Qt.
#include <QString>

int Probe() { return QString("x").size(); }
