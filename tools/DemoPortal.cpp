// Demo wallpaper portal: serves a gallery of procedural landscapes in the
// sizes a portal offers, for the client to show and pick from while the
// maker's own site is out of reach. One line per request on stdout.
#include <glib-unix.h>
#include <libsoup/soup.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ParseNumber.h"
#include "demo_portal/DrawingPool.h"
#include "demo_portal/GalleryPage.h"
#include "demo_portal/PictureCache.h"
#include "demo_portal/Scenery.h"

using tools::ParseNumber;

namespace {

struct Options {
    unsigned port = 17598; // 0: any free port, printed on start
    int listenFd = -1;     // a listening socket handed over by the client, used instead of the port
    long parent = 0;       // the client that started it, when it did
    std::string root;
    long slowBytesPerSecond = 0; // 0: full speed
    std::string slowMatch;       // only pictures whose file name contains this are slow
    bool fill = true;
};

void Usage()
{
    std::fputs("usage: pictavo-demo-portal [--port N | --listen-fd FD [--parent PID]] [--root FOLDER]"
               " [--slow-bytes-per-second N [--slow-match TEXT]] [--no-fill]\n"
               "  --port N     listen on 127.0.0.1:N (default 17598; 0 picks a free port)\n"
               "  --listen-fd FD  serve on the listening socket FD (how the client starts it)\n"
               "  --parent PID    the client that started it: end at once when that is gone\n"
               "  --root DIR   folder for the generated pictures (default $XDG_CACHE_HOME/pictavo-demo-portal)\n"
               "  --slow-bytes-per-second N  send pictures at N bytes a second\n"
               "  --slow-match TEXT          ... only those whose file name contains TEXT\n"
               "  --no-fill    draw pictures only when asked for, not all in the background\n",
               stderr);
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        long n = 0;
        if (a == "--port" && hasValue && ParseNumber(argv[++i], 0, 65535, n))
            o.port = unsigned(n);
        else if (a == "--listen-fd" && hasValue && ParseNumber(argv[++i], 0, 1 << 20, n))
            o.listenFd = int(n);
        else if (a == "--parent" && hasValue && ParseNumber(argv[++i], 1, 1L << 30, n))
            o.parent = n;
        else if (a == "--root" && hasValue)
            o.root = argv[++i];
        else if (a == "--slow-bytes-per-second" && hasValue && ParseNumber(argv[++i], 1, 1L << 30, n))
            o.slowBytesPerSecond = n;
        else if (a == "--slow-match" && hasValue)
            o.slowMatch = argv[++i];
        else if (a == "--no-fill")
            o.fill = false;
        else
            return false;
    }
    if (o.root.empty())
        o.root = std::string(g_get_user_cache_dir()) + "/pictavo-demo-portal";
    return true;
}

struct Portal {
    explicit Portal(Options o) : options(std::move(o)), cache(options.root) {}

    Options options;
    demo::PictureCache cache;
    demo::DrawingPool drawing {2}; // last: its threads use the cache
};

void Log(SoupServerMessage* msg, unsigned status, std::size_t bytes, const char* note = "")
{
    GUri* uri = soup_server_message_get_uri(msg);
    const char* query = g_uri_get_query(uri);
    std::printf("%s %s%s%s %u %zu%s\n", soup_server_message_get_method(msg), g_uri_get_path(uri), query ? "?" : "",
                query ? query : "", status, bytes, note);
    std::fflush(stdout);
}

void Respond(SoupServerMessage* msg, unsigned status, const char* type, const std::string& body)
{
    soup_server_message_set_status(msg, status, nullptr);
    soup_server_message_set_response(msg, type, SOUP_MEMORY_COPY, body.data(), body.size());
    Log(msg, status, body.size());
}

void NotFound(SoupServerMessage* msg)
{
    Respond(msg, SOUP_STATUS_NOT_FOUND, "text/plain; charset=utf-8", "Not found\n");
}

// Sends a file's bytes a slice at a time on the main loop: the way a slow
// line looks to the client, and a transfer that is still running when a test
// wants one. The message owns it; it stops when the message is finished
// (sent, or the client went away).
class Trickle {
public:
    static void Start(SoupServerMessage* msg, GBytes* data, long bytesPerSecond)
    {
        SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
        soup_message_headers_set_content_type(headers, "image/jpeg", nullptr);
        soup_message_headers_set_encoding(headers, SOUP_ENCODING_CONTENT_LENGTH);
        soup_message_headers_set_content_length(headers, goffset(g_bytes_get_size(data)));
        soup_message_body_set_accumulate(soup_server_message_get_response_body(msg), FALSE);
        soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);

        auto trickle = std::make_unique<Trickle>(msg, data, bytesPerSecond);
        Trickle* t = trickle.get();
        g_object_set_data_full(G_OBJECT(msg), "pictavo-trickle", trickle.release(),
                               [](gpointer p) { std::unique_ptr<Trickle>(static_cast<Trickle*>(p)).reset(); });
        g_signal_connect(msg, "finished", G_CALLBACK(&Trickle::Finished), t);
        t->source_ = g_timeout_add(kTickMs, &Trickle::Tick, t);
        soup_server_message_pause(msg);
    }

    Trickle(SoupServerMessage* msg, GBytes* data, long bytesPerSecond)
        : msg_(msg), data_(g_bytes_ref(data)), slice_(std::max<gsize>(1, gsize(bytesPerSecond) * kTickMs / 1000))
    {
    }
    ~Trickle()
    {
        Stop();
        g_bytes_unref(data_);
    }
    Trickle(const Trickle&) = delete;
    Trickle& operator=(const Trickle&) = delete;

private:
    static constexpr guint kTickMs = 50;

    void Stop()
    {
        if (source_)
            g_source_remove(source_);
        source_ = 0;
    }

    static gboolean Tick(gpointer self)
    {
        auto* t = static_cast<Trickle*>(self);
        SoupMessageBody* body = soup_server_message_get_response_body(t->msg_);
        const gsize size = g_bytes_get_size(t->data_);
        const gsize n = std::min(t->slice_, size - t->sent_);
        GBytes* slice = g_bytes_new_from_bytes(t->data_, t->sent_, n);
        soup_message_body_append_bytes(body, slice);
        g_bytes_unref(slice);
        t->sent_ += n;
        const bool done = t->sent_ == size;
        if (done) {
            soup_message_body_complete(body);
            t->source_ = 0;
        }
        soup_server_message_unpause(t->msg_);
        return done ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
    }

    static void Finished(SoupServerMessage*, gpointer self) { static_cast<Trickle*>(self)->Stop(); }

    SoupServerMessage* msg_; // owns us
    GBytes* data_;
    gsize slice_;
    gsize sent_ = 0;
    guint source_ = 0;
};

void SendPicture(Portal& portal, SoupServerMessage* msg, const std::string& path)
{
    GError* error = nullptr;
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        std::fprintf(stderr, "pictavo-demo-portal: %s\n", error->message);
        g_error_free(error);
        Respond(msg, SOUP_STATUS_INTERNAL_SERVER_ERROR, "text/plain", "Cannot read the picture\n");
        return;
    }
    GBytes* bytes = g_bytes_new_take(contents, length);
    const std::string file = path.substr(path.rfind('/') + 1);
    const Options& o = portal.options;
    const bool head = std::strcmp(soup_server_message_get_method(msg), "HEAD") == 0;
    if (o.slowBytesPerSecond > 0 && !head && file.find(o.slowMatch) != std::string::npos) {
        Log(msg, SOUP_STATUS_OK, length, " slow");
        Trickle::Start(msg, bytes, o.slowBytesPerSecond);
    } else {
        soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
        soup_message_headers_set_content_type(soup_server_message_get_response_headers(msg), "image/jpeg", nullptr);
        soup_message_body_append_bytes(soup_server_message_get_response_body(msg), bytes);
        Log(msg, SOUP_STATUS_OK, length);
    }
    g_bytes_unref(bytes);
}

const demo::Picture* FindPicture(const std::string& name)
{
    for (const demo::Picture& p : demo::Catalogue())
        if (p.name == name)
            return &p;
    return nullptr;
}

// "name,w,h" of a picture the catalogue offers in that size.
std::optional<std::pair<std::string, demo::Size>> FindVariant(const std::string& stem)
{
    const std::size_t first = stem.find(',');
    const std::size_t second = first == std::string::npos ? first : stem.find(',', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    const demo::Picture* picture = FindPicture(stem.substr(0, first));
    if (!picture)
        return std::nullopt;
    for (const demo::Size s : picture->sizes)
        if (stem.substr(first + 1) == std::to_string(s.width) + "," + std::to_string(s.height))
            return std::make_pair(picture->name, s);
    return std::nullopt;
}

// A picture a request names: the file it is kept in, and how to draw it there.
struct Wanted {
    std::string file;
    std::function<void(std::stop_token)> draw;
};

// What a picture path names ("/pic/<name>,<w>,<h>.jpg", "/pic/<name>.jpg"
// for the address before "?", "/thumb/<name>.jpg"); nothing for a path the
// catalogue does not know. Only catalogue names reach the file system.
std::optional<Wanted> WantedPicture(const Portal& portal, const std::string& path)
{
    const auto stemAfter = [&](const std::string& prefix) -> std::optional<std::string> {
        if (path.rfind(prefix, 0) != 0 || path.size() < prefix.size() + 5 || path.compare(path.size() - 4, 4, ".jpg") != 0)
            return std::nullopt;
        return path.substr(prefix.size(), path.size() - prefix.size() - 4);
    };
    const demo::PictureCache& cache = portal.cache;
    const auto variant = [&cache](const std::string& name, demo::Size size) {
        return Wanted {cache.VariantPath(name, size), [&cache, name, size](std::stop_token stop) {
                           cache.Variant(name, size, std::move(stop));
                       }};
    };
    if (const auto stem = stemAfter("/thumb/"); stem && FindPicture(*stem))
        return Wanted {cache.ThumbPath(*stem), [&cache, name = *stem](std::stop_token stop) {
                           cache.Thumb(name, std::move(stop));
                       }};
    const auto stem = stemAfter("/pic/");
    if (!stem)
        return std::nullopt;
    if (FindPicture(*stem))
        return variant(*stem, demo::kFallbackSize);
    if (const auto found = FindVariant(*stem))
        return variant(found->first, found->second);
    return std::nullopt;
}

// Runs f on the server's loop.
void OnLoop(std::function<void()> f)
{
    using Task = std::function<void()>;
    const auto run = [](gpointer task) {
        (*static_cast<Task*>(task))();
        return G_SOURCE_REMOVE;
    };
    const auto drop = [](gpointer task) { std::unique_ptr<Task>(static_cast<Task*>(task)).reset(); };
    g_idle_add_full(G_PRIORITY_DEFAULT, run, std::make_unique<Task>(std::move(f)).release(), drop);
}

// A request whose picture is being drawn on the pool: its message waits,
// paused, and is answered on the loop. Made and freed on the loop only. (A
// client that left meanwhile is answered all the same: the server notices
// only when it writes.)
class PendingPicture {
public:
    PendingPicture(Portal& portal, SoupServerMessage* msg) : portal_(portal), msg_(msg)
    {
        g_object_ref(msg_);
        soup_server_message_pause(msg_);
    }
    ~PendingPicture() { g_object_unref(msg_); }
    PendingPicture(const PendingPicture&) = delete;
    PendingPicture& operator=(const PendingPicture&) = delete;

    // Once the drawing has ended.
    void Answer(const std::string& file, const std::string& failure)
    {
        // Before the answer: a slow one pauses the message again.
        soup_server_message_unpause(msg_);
        if (failure.empty())
            SendPicture(portal_, msg_, file);
        else
            Respond(msg_, SOUP_STATUS_INTERNAL_SERVER_ERROR, "text/plain", "Cannot draw the picture\n");
    }

private:
    Portal& portal_;
    SoupServerMessage* msg_;
};

// Draws a missing picture on the pool, then answers on the loop.
void DrawThenSend(Portal& portal, SoupServerMessage* msg, const std::string& path, Wanted wanted)
{
    auto pending = std::make_shared<PendingPicture>(portal, msg);
    portal.drawing.Post([pending, path, wanted = std::move(wanted)](std::stop_token stop) mutable {
        std::string failure;
        try {
            wanted.draw(std::move(stop));
        } catch (const demo::Stopped&) {
            failure = "stopped"; // the portal is ending: the loop runs no more
        } catch (const std::exception& e) {
            std::fprintf(stderr, "pictavo-demo-portal: %s: %s\n", path.c_str(), e.what());
            failure = e.what();
        }
        // The last reference goes on the loop, as the message's must.
        OnLoop([pending = std::move(pending), file = wanted.file, failure] { pending->Answer(file, failure); });
    });
}

void Handle(SoupServer*, SoupServerMessage* msg, const char* rawPath, GHashTable*, gpointer data)
{
    Portal& portal = *static_cast<Portal*>(data);
    const std::string method = soup_server_message_get_method(msg);
    if (method != "GET" && method != "HEAD") {
        Respond(msg, SOUP_STATUS_METHOD_NOT_ALLOWED, "text/plain", "Only GET and HEAD\n");
        return;
    }
    const std::string path = rawPath;
    if (path == "/" || path == "/index.html") {
        Respond(msg, SOUP_STATUS_OK, "text/html; charset=utf-8", demo::GalleryPage());
        return;
    }
    if (path == "/picked") { // the page's note of a click, for the log
        soup_server_message_set_status(msg, SOUP_STATUS_NO_CONTENT, nullptr);
        Log(msg, SOUP_STATUS_NO_CONTENT, 0);
        return;
    }
    auto wanted = WantedPicture(portal, path);
    if (!wanted)
        NotFound(msg);
    else if (std::error_code ignored; std::filesystem::exists(wanted->file, ignored))
        SendPicture(portal, msg, wanted->file);
    else
        DrawThenSend(portal, msg, path, std::move(*wanted));
}

gboolean Quit(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
}

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const noexcept { Free(p); }
};
using ServerPtr = std::unique_ptr<SoupServer, Deleter<void, g_object_unref>>;
using SocketPtr = std::unique_ptr<GSocket, Deleter<void, g_object_unref>>;
using LoopPtr = std::unique_ptr<GMainLoop, Deleter<GMainLoop, g_main_loop_unref>>;

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    // Its client asked the kernel to end it when the client ends; a client
    // that ended before asking left it with another parent instead.
    if (options.parent && getppid() != pid_t(options.parent))
        return 0;
    // The server outlives the portal, whose drawing threads may still hold
    // its messages when the loop has ended.
    const ServerPtr server(soup_server_new("server-header", "pictavo-demo-portal ", nullptr));
    std::optional<Portal> portal;
    try {
        portal.emplace(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pictavo-demo-portal: cannot use %s: %s\n", options.root.c_str(), e.what());
        return 1;
    }

    soup_server_add_handler(SOUP_SERVER(server.get()), nullptr, Handle, &*portal, nullptr);
    GError* error = nullptr;
    if (options.listenFd >= 0) {
        const SocketPtr socket(g_socket_new_from_fd(options.listenFd, &error));
        const bool listening = socket && soup_server_listen_socket(SOUP_SERVER(server.get()), socket.get(), {}, &error);
        if (!listening) {
            std::fprintf(stderr, "pictavo-demo-portal: cannot serve on descriptor %d: %s\n", options.listenFd,
                         error->message);
            g_error_free(error);
            return 1;
        }
    } else if (!soup_server_listen_local(SOUP_SERVER(server.get()), options.port, SOUP_SERVER_LISTEN_IPV4_ONLY,
                                         &error)) {
        std::fprintf(stderr, "pictavo-demo-portal: cannot listen on 127.0.0.1:%u: %s\n", options.port, error->message);
        g_error_free(error);
        return 1;
    }
    GSList* uris = soup_server_get_uris(SOUP_SERVER(server.get()));
    const int port = uris ? g_uri_get_port(static_cast<GUri*>(uris->data)) : int(options.port);
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    std::printf("Listening on http://127.0.0.1:%d/ with pictures in %s\n", port, portal->cache.root().c_str());
    std::fflush(stdout);

    // Every variant is drawn once in the background, gently, so later picks
    // are served at once; a request for one not yet drawn draws it first.
    std::jthread filler;
    if (options.fill) {
        filler = std::jthread([&cache = portal->cache](std::stop_token stop) {
            setpriority(PRIO_PROCESS, 0, 10); // this thread only, on Linux
            try {
                cache.FillAll(stop);
            } catch (const demo::Stopped&) {
            } catch (const std::exception& e) {
                std::fprintf(stderr, "pictavo-demo-portal: drawing the pictures: %s\n", e.what());
            }
        });
    }

    const LoopPtr loop(g_main_loop_new(nullptr, FALSE));
    g_unix_signal_add(SIGINT, Quit, loop.get());
    g_unix_signal_add(SIGTERM, Quit, loop.get());
    g_main_loop_run(loop.get());
    return 0;
}
