// The board as an HTML page: readable without JavaScript, every name escaped.
#pragma once

#include <string>
#include <vector>

#include "store.h"

namespace velkar::board {

// & < > " ' as character references.
std::string HtmlEscape(const std::string& text);

// seconds since 1970 in UTC, through strftime's format.
std::string FormatUtc(int64_t seconds, const char* format);
// "2026-12-07 16:28 UTC".
std::string UtcDate(int64_t seconds);

// The whole page: both ranks' best entries, a link per entry that plays its replay in the
// browser build at playPage (empty: no browser build served), and the submission form.
std::string BoardPage(const std::vector<Entry>& normal, const std::vector<Entry>& hard,
                      int64_t normalCount, int64_t hardCount, const std::string& playPage);

// A short page after a submission from the form.
std::string SubmittedPage(const std::string& title, const std::string& message,
                          const std::string& id);

// The page's style sheet (served from the same origin: the page allows no inline style).
extern const char* const BOARD_CSS;

} // namespace velkar::board
