// The browser build's folder under /play/, served as a static web server should serve it, and the
// board's icon.
#include "site.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "page.h"

namespace velkar::board {

namespace {

// The only files served: the page's own names and types. Anything else is 404, so that no path
// reaches outside the folder and no stray file is served.
struct FileType {
    const char* extension;
    const char* type;
};
// clang-format off
constexpr FileType TYPES[] = {
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".wasm", "application/wasm"},
    {".webmanifest", "application/manifest+json"},
    {".png", "image/png"},
    {".txt", "text/plain; charset=utf-8"}, // the licence
};
// clang-format on

// The site's files are a few hundred kilobytes; nothing larger is read.
constexpr off_t MOST_FILE_BYTES = 16 << 20;

const char* TypeOf(const std::string& name) {
    for (const FileType& t : TYPES) {
        const std::string extension = t.extension;
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
            return t.type;
    }
    return nullptr;
}

// A regular file no larger than MOST_FILE_BYTES: its size and time.
bool RegularFile(const std::string& path, struct stat& info) {
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_size <= MOST_FILE_BYTES;
}

// Whether Accept-Encoding names the encoding (or *) without q=0.
bool Accepts(const std::string& header, const std::string& encoding) {
    std::istringstream parts(header.substr(0, 1000));
    std::string part;
    while (std::getline(parts, part, ',')) {
        const size_t semicolon = part.find(';');
        std::string name = part.substr(0, semicolon);
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name != encoding && name != "*") continue;
        if (semicolon == std::string::npos) return true;
        std::string quality = part.substr(semicolon + 1);
        quality.erase(0, quality.find_first_not_of(" \t"));
        if (quality.rfind("q=", 0) != 0) return true;
        return std::strtod(quality.c_str() + 2, nullptr) > 0;
    }
    return false;
}

// An HTTP date (If-Modified-Since) as seconds since 1970, or -1.
int64_t HttpDate(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.substr(0, 64).c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm);
    if (end == nullptr || *end != '\0') return -1;
    return static_cast<int64_t>(timegm(&tm));
}

void ServeFile(const std::string& folder, std::string name, const httplib::Request& req,
               httplib::Response& res) {
    if (name.empty()) name = "index.html";
    const char* type = TypeOf(name);
    struct stat info = {};
    const std::string path = folder + "/" + name;
    if (type == nullptr || name[0] == '.' || !RegularFile(path, info)) {
        res.status = 404;
        return;
    }
    // Browsers and the page's service worker ask whether their copy is still the file's.
    const int64_t modified = static_cast<int64_t>(info.st_mtime);
    res.set_header("Vary", "Accept-Encoding");
    res.set_header("Cache-Control", "no-cache");
    res.set_header("Last-Modified", FormatUtc(modified, "%a, %d %b %Y %H:%M:%S GMT"));
    if (req.has_header("If-Modified-Since")) {
        const int64_t since = HttpDate(req.get_header_value("If-Modified-Since"));
        if (since >= modified) {
            res.status = 304;
            return;
        }
    }
    // The build's compressed copies, never compression as the file is sent: brotli where the
    // browser takes it (over HTTPS), else gzip, else the file itself.
    std::string sent = path;
    const char* encoding = nullptr;
    const std::string accepted = req.get_header_value("Accept-Encoding");
    struct stat copy = {};
    if (Accepts(accepted, "br") && RegularFile(path + ".br", copy)) {
        sent = path + ".br";
        encoding = "br";
    } else if (Accepts(accepted, "gzip") && RegularFile(path + ".gz", copy)) {
        sent = path + ".gz";
        encoding = "gzip";
    }
    std::ifstream file(sent, std::ios::binary);
    auto body = std::make_shared<std::string>(std::istreambuf_iterator<char>(file),
                                              std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        res.status = 500;
        return;
    }
    if (encoding != nullptr) res.set_header("Content-Encoding", encoding);
    // A body of known length from a provider is sent as it is (a body set as content would be
    // compressed again by the server library).
    res.set_content_provider(body->size(), type,
                             [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                 sink.write(body->data() + offset, length);
                                 return true;
                             });
}

// The ship, as the board's icon.
constexpr const char* ICON_SVG =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 48 48"><rect width="48" height="48"/>)"
    R"(<path d="M24 8 40 40H8z" fill="#e0e0ff"/><rect x="22" y="24" width="4" height="4" fill="red"/></svg>)";

} // namespace

void InstallSite(httplib::Server& server, const std::string& folder) {
    server.Get("/play",
               [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/play/"); });
    server.Get(R"(/play/([A-Za-z0-9_][A-Za-z0-9_.-]*)?)",
               [folder](const httplib::Request& req, httplib::Response& res) {
                   ServeFile(folder, req.matches[1], req, res);
               });
}

void InstallIcon(httplib::Server& server) {
    for (const char* path : {"/favicon.ico", "/icon.svg"}) {
        server.Get(path, [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "public, max-age=86400");
            res.set_content(ICON_SVG, "image/svg+xml");
        });
    }
}

} // namespace velkar::board
