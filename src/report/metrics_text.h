#pragma once

#include "report/display_status.h"

#include <QByteArray>

namespace tv {

// What a display counts beyond its status.
struct DisplayCounts {
    quint64 framesShown = 0;
    quint64 framesDropped = 0;
};

// The display's figures in the text format a monitoring system's file
// collector reads (node_exporter's textfile collector), each labelled with
// the display's name, so that existing monitoring can alert on them.
QByteArray metricsText(const DisplayStatus& status, const DisplayCounts& counts);

} // namespace tv
