// placeholder: replaced by the metrics writer
#include "metfile/writeMetricsApi.h"
void writeMetricsFiles(const char *, MetFileEntry *) {}
