// A report sink on a stream, in a file of its own: a program that reports without streams
// (Velmora3-C.exe writes straight to its standard error handle) links none of the C++
// library's stream and locale code.

#include <ostream>

#include "engine/failure_log.h"

namespace engine {

LineSink line_sink(std::ostream& out) {
    return [&out](const std::string& line) { out << line << std::flush; };
}

}  // namespace engine
