// The browser build's files under /play/ and the board's icon.
#pragma once

#include <httplib.h>

#include <string>

namespace velkar::board {

// Serves the browser build's folder under /play/: each file with its type and the time it was
// written (If-Modified-Since answered with 304), its build-made .br or .gz copy to a browser that
// takes that encoding (nothing is compressed as it is sent), only names of the page's kinds of
// files, never a path outside the folder.
void InstallSite(httplib::Server& server, const std::string& folder);

// The board's icon at /favicon.ico and /icon.svg (an SVG picture of the ship).
void InstallIcon(httplib::Server& server);

} // namespace velkar::board
