// Built only by the core-boundary test, with the core's include rules: it must not compile.
#include <QtWidgets/QWidget>
