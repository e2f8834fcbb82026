// Must not compile: a link or session file that reaches for Qt Widgets by the
// module path, which the Qt Core include directories would otherwise resolve.
#include <QtWidgets/QWidget>

int Probe() { return QWidget().width(); }
