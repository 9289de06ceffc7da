#pragma once

// QCustomPlot's header is written with Qt's lower-case keywords, which this project switches
// off (QT_NO_KEYWORDS); they are spelled out for it here and nowhere else.
#ifndef signals
#define signals Q_SIGNALS
#define TAVIRO_QCP_SIGNALS
#endif
#ifndef slots
#define slots Q_SLOTS
#define TAVIRO_QCP_SLOTS
#endif
#ifndef emit
#define emit Q_EMIT
#define TAVIRO_QCP_EMIT
#endif
#ifndef foreach
#define foreach Q_FOREACH
#define TAVIRO_QCP_FOREACH
#endif

#include <qcustomplot.h>

#ifdef TAVIRO_QCP_SIGNALS
#undef signals
#undef TAVIRO_QCP_SIGNALS
#endif
#ifdef TAVIRO_QCP_SLOTS
#undef slots
#undef TAVIRO_QCP_SLOTS
#endif
#ifdef TAVIRO_QCP_EMIT
#undef emit
#undef TAVIRO_QCP_EMIT
#endif
#ifdef TAVIRO_QCP_FOREACH
#undef foreach
#undef TAVIRO_QCP_FOREACH
#endif
