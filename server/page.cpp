// The board's web page and its style sheet.
#include "page.h"

#include <ctime>

namespace velkar::board {

const char* const BOARD_CSS =
    R"(body{font-family:sans-serif;background:#10131c;color:#e8e8f0;margin:2em auto;max-width:60em;padding:0 1em}
h1{letter-spacing:.2em}a{color:#9fd0ff}table{border-collapse:collapse;width:100%;margin-bottom:2em}
th,td{padding:.25em .6em;text-align:left;border-bottom:1px solid #2a3040}td.n{text-align:right;font-variant-numeric:tabular-nums}
.none{color:#7a8090;font-style:italic}section{display:inline-block;vertical-align:top;width:48%;margin-right:1%}
form{margin:2em 0;padding:1em;border:1px solid #2a3040}.play{font-size:1.2em}
@media (max-width:48em){body{margin:1em auto;padding:0 .5em}section{display:block;width:auto;margin:0}
th,td{padding:.25em .3em}.d{display:none}input[type=file]{max-width:100%}}
)";

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string FormatUtc(int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[64];
    std::strftime(text, sizeof text, format, &tm);
    return text;
}

std::string UtcDate(int64_t seconds) {
    return FormatUtc(seconds, "%Y-%m-%d %H:%M UTC");
}

namespace {

constexpr const char* HEAD = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<link rel="icon" href="/icon.svg" type="image/svg+xml">
<link rel="stylesheet" href="/board.css">
)";

void AddTable(std::string& out, const char* title, const std::vector<Entry>& entries, int64_t count,
              const std::string& playPage) {
    out += "<section><h2>";
    out += title;
    out += "</h2>";
    if (entries.empty()) {
        out += "<p class=\"none\">No scores yet.</p></section>\n";
        return;
    }
    // (On a narrow screen the date column is left out: class d.)
    out += "<table><thead><tr><th>#</th><th>Name</th><th>Score</th><th>Stage</th>"
           "<th class=\"d\">Date</th><th>Replay</th></tr></thead><tbody>\n";
    int64_t place = 0;
    for (const Entry& e : entries) {
        out += "<tr><td class=\"n\">" + std::to_string(++place) + "</td><td>";
        // Each name in its own direction isolate: a right-to-left name cannot reorder the row.
        out += e.named ? "<bdi>" + HtmlEscape(e.name) + "</bdi>"
                       : std::string("<span class=\"none\">none</span>");
        out += "</td><td class=\"n\">" + std::to_string(e.score) + "</td><td class=\"n\">" +
               std::to_string(e.stage) + "</td><td class=\"d\">" + UtcDate(e.submitted) +
               "</td><td>";
        // The id is 64 hexadecimal digits checked on the way in: nothing to escape.
        const std::string file = "/replays/" + e.replay + ".vrp";
        if (!playPage.empty()) out += "<a href=\"" + playPage + "?replay=" + file + "\">watch</a> ";
        out += "<a href=\"" + file + "\">file</a></td></tr>\n";
    }
    out += "</tbody></table><p>" + std::to_string(count) + " entries in all.</p></section>\n";
}

} // namespace

std::string BoardPage(const std::vector<Entry>& normal, const std::vector<Entry>& hard,
                      int64_t normalCount, int64_t hardCount, const std::string& playPage) {
    std::string out = HEAD;
    out += "<title>VELKAR score board</title></head><body>\n<h1>VELKAR</h1>\n"
           "<p>Every score here was reached in a replay the board played through itself, frame "
           "for frame.</p>\n";
    if (!playPage.empty()) {
        out += "<p class=\"play\"><a href=\"" + playPage +
               "\">Play VELKAR in your browser</a>: your session can be sent to this board from "
               "its Replay menu.</p>\n";
    }
    AddTable(out, "Normal", normal, normalCount, playPage);
    AddTable(out, "Hard", hard, hardCount, playPage);
    out += R"(<form method="post" action="/submit" enctype="multipart/form-data">
<label>Replay file (.vrp) <input type="file" name="replay" accept=".vrp" required></label>
<button type="submit">Submit</button>
<p>Record a game with <code>velkar --record FILE</code>; the board plays it and ranks every game
in it that ended.</p></form>
<p>JSON: <a href="/api/scores?rank=normal">/api/scores?rank=normal</a>,
<a href="/api/scores?rank=hard">/api/scores?rank=hard</a></p>
</body></html>
)";
    return out;
}

std::string SubmittedPage(const std::string& title, const std::string& message,
                          const std::string& id) {
    std::string out = HEAD;
    out += "<title>" + HtmlEscape(title) + "</title></head><body>\n<h1>" + HtmlEscape(title) +
           "</h1>\n<p>" + HtmlEscape(message) + "</p>\n";
    if (!id.empty()) {
        out +=
            "<p>Its status: <a href=\"/api/replays/" + id + "\">/api/replays/" + id + "</a></p>\n";
    }
    out += "<p><a href=\"/\">Back to the board</a></p></body></html>\n";
    return out;
}

} // namespace velkar::board
