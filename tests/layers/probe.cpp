// Compiled once for each pair of a layer and a header: see CMakeLists.txt.
#include PROBE_HEADER
