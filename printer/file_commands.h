// SPDX-License-Identifier: MIT
// The virtual printer on a stream kept in a file: the annotated listing (--decode) and one
// picture per cut (--render). Neither needs a display.
#pragma once

#include <ostream>
#include <string>

namespace mpt::printer {

// Writes the listing of the stream in `path` ("-": standard input) to `out` as it reads it, in
// constant memory whatever its size. Returns the process's exit code: 0 when the file was read,
// whatever it holds; 1 when it cannot be read or is not a file, a FIFO or a pipe (a device such
// as /dev/zero never ends).
int decodeFile(const std::string& path, std::ostream& out, std::ostream& err);

// Writes page-001.png, page-002.png … into `directory` (made if missing; the pages an earlier
// render left there are removed first), one for each cut of the stream in `path`, and
// page-NNN-uncut.png for paper left in the printer with something printed on it. Each page is
// written as soon as it is cut, so the stream is read in bounded memory; a page that runs on
// without a cut is torn off at a maximum length, and a picture is cut short at one (each says
// so). Names each file on `out` with its page's caption. Creates a QGuiApplication on the
// offscreen platform when the process has none. Returns 0, or 1 when the file cannot be read or
// a picture cannot be written.
int renderFile(const std::string& path, const std::string& directory, std::ostream& out,
               std::ostream& err);

}  // namespace mpt::printer
