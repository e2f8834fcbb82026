// Must not compile: a link or session file that reaches for Qt Gui.
#include <QtGui/QColor>

int Probe() { return QColor(1, 2, 3).red(); }
