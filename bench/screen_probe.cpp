// Watches the game from outside, on an X server, the way a child meets it: starts the program,
// looks at the screen in a tight loop (MIT-SHM XShmGetImage on the root window, timed on the
// monotonic clock), moves the real X pointer with the XTest request that `xdotool mousemove`
// sends, and listens to the audio server's null sink through `parec`. It changes nothing in the
// program it watches.
//
//   kazoe_screen_probe startup <key> <below> <folder> <program> [arguments...]
//       one start: <key>_ms (process start to the first frame with a coloured picture below
//       the line <below>), then <key>_peak_kib and <key>_steady_kib two seconds later
//   kazoe_screen_probe touch <samples> <per-start> <below> <folder> <program> [arguments...]
//       touches each character that comes on show: touch_numeral_ms, touch_sound_ms
//   kazoe_screen_probe first-touch <samples> <below> <folder> <program> [arguments...]
//       one touch a start, on the first character as soon as it shows: first_touch_numeral_ms,
//       first_touch_sound_ms. Run in a folder without the hop sound, that touch's sound is the
//       first sound of the run.
//   kazoe_screen_probe idle <key> <seconds> <catch> <below> <folder> <program> [arguments...]
//       <key>_cpu_pct over <seconds> of waiting; with <catch> 1 the first character is caught
//       first, so that the question comes and waits for a card
//
// Results go to stdout as "key value" lines; notes to stderr.

// Ours first: Xlib's macros (None, Bool, Status) must not reach Qt's headers.
#include "pixels.h"
#include "stats.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

void sleepMs(double ms) {
    if (ms <= 0)
        return;
    timespec ts{time_t(ms / 1000), long(std::fmod(ms, 1000.0) * 1e6)};
    nanosleep(&ts, nullptr);
}

void result(const std::string& key, double value) {
    std::printf("%s %.3f\n", key.c_str(), value);
    std::fflush(stdout);
}

// One region of the root window, grabbed through shared memory.
class Grab {
public:
    Grab(Display* display, int x, int y, int width, int height)
        : m_display(display), m_x(x), m_y(y) {
        m_image = XShmCreateImage(display, DefaultVisual(display, DefaultScreen(display)),
                                  DefaultDepth(display, DefaultScreen(display)), ZPixmap, nullptr,
                                  &m_shm, unsigned(width), unsigned(height));
        if (!m_image || m_image->bits_per_pixel != 32)
            throw std::runtime_error("the X screen is not 24-bit colour in 32-bit pixels");
        m_shm.shmid =
            shmget(IPC_PRIVATE, size_t(m_image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
        m_shm.shmaddr = m_image->data = static_cast<char*>(shmat(m_shm.shmid, nullptr, 0));
        m_shm.readOnly = False;
        XShmAttach(display, &m_shm);
        XSync(display, False);
        shmctl(m_shm.shmid, IPC_RMID, nullptr);  // freed once both sides detach
    }
    ~Grab() {
        XShmDetach(m_display, &m_shm);
        XSync(m_display, False);
        m_image->data = nullptr;
        XDestroyImage(m_image);
        shmdt(m_shm.shmaddr);
    }
    Grab(const Grab&) = delete;
    Grab& operator=(const Grab&) = delete;

    void take() {
        XShmGetImage(m_display, DefaultRootWindow(m_display), m_image, m_x, m_y, AllPlanes);
    }
    const std::uint32_t* pixels() const {
        return reinterpret_cast<const std::uint32_t*>(m_image->data);
    }
    int width() const { return m_image->width; }
    int height() const { return m_image->height; }
    int stride() const { return m_image->bytes_per_line / 4; }
    ColouredBox coloured(int step) const {
        return findColoured(pixels(), width(), height(), stride(), step);
    }
    std::vector<std::uint32_t> copy() const {
        std::vector<std::uint32_t> out;
        out.reserve(size_t(width()) * size_t(height()));
        for (int y = 0; y < height(); ++y)
            out.insert(out.end(), pixels() + ptrdiff_t(y) * stride(),
                       pixels() + ptrdiff_t(y) * stride() + width());
        return out;
    }

private:
    Display* m_display;
    int m_x, m_y;
    XShmSegmentInfo m_shm{};
    XImage* m_image = nullptr;
};

// A character (or the floor's picture) counts as drawn when this many grid pixels are coloured.
constexpr int kMinColoured = 20;
constexpr int kGridStep = 4;
// The hop sound is under 0.1 s; a touch made while it plays would be dropped by the game.
constexpr double kAfterHopMs = 150;
// The hop step starts just before the first frame; the first hop comes about this long after it.
constexpr double kFirstHopMs = 1500;

class Probe {
public:
    explicit Probe(int below) {
        // The server now and then turns a connection away while a program of the last start is
        // still going: try again for a while.
        for (int attempt = 0; attempt < 50 && !m_display; ++attempt) {
            m_display = XOpenDisplay(nullptr);
            if (!m_display)
                sleepMs(100);
        }
        if (!m_display)
            throw std::runtime_error("cannot open the X display");
        int major = 0, minor = 0, event = 0, error = 0;
        Bool pixmaps = False;
        if (!XShmQueryVersion(m_display, &major, &minor, &pixmaps) ||
            !XTestQueryExtension(m_display, &event, &error, &major, &minor))
            throw std::runtime_error("the X server lacks MIT-SHM or XTEST");
        const int screen = DefaultScreen(m_display);
        m_width = DisplayWidth(m_display, screen);
        m_height = DisplayHeight(m_display, screen);
        m_below = below;
        m_lower = std::make_unique<Grab>(m_display, 0, below, m_width, m_height - below);
    }
    ~Probe() {
        stop();
        m_lower.reset();
        XCloseDisplay(m_display);
    }

    void movePointer(int x, int y) {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XFlush(m_display);
    }

    void launch(const std::string& folder, const std::vector<std::string>& command) {
        m_started = nowMs();
        m_pid = fork();
        if (m_pid == 0) {
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            std::vector<char*> argv;
            for (const std::string& a : command)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    double startedAt() const { return m_started; }
    pid_t pid() const { return m_pid; }

    void stop() {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        waitForEmpty(5000);
    }

    // Polls until a picture shows below the line; the time it was seen, or a negative number.
    double waitForPicture(double timeoutMs) {
        const double end = nowMs() + timeoutMs;
        while (nowMs() < end) {
            m_lower->take();
            const double seen = nowMs();
            if (m_lower->coloured(kGridStep).count >= kMinColoured)
                return seen;
            sleepMs(0.5);  // leave the two cores to the program and the X server
        }
        return -1;
    }
    bool waitForEmpty(double timeoutMs) {
        const double end = nowMs() + timeoutMs;
        while (nowMs() < end) {
            m_lower->take();
            if (m_lower->coloured(kGridStep).count < kMinColoured)
                return true;
            sleepMs(2);
        }
        return false;
    }
    // The picture below the line, in screen coordinates.
    ColouredBox pictureBox() {
        m_lower->take();
        ColouredBox box = m_lower->coloured(2);
        box.top += m_below;
        box.bottom += m_below;
        return box;
    }

    Display* display() const { return m_display; }
    int width() const { return m_width; }

private:
    Display* m_display = nullptr;
    int m_width = 0, m_height = 0, m_below = 0;
    std::unique_ptr<Grab> m_lower;
    pid_t m_pid = -1;
    double m_started = 0;
};

// Listens to the null sink's monitor: the times at which sound begins after a silence.
class Listener {
public:
    Listener() {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "--device=null.monitor", "--raw", "--format=s16le",
                   "--rate=48000", "--channels=1", "--latency-msec=2", nullptr);
            _exit(127);
        }
        close(fds[1]);
        m_fd = fds[0];
        m_thread = std::thread([this] { run(); });
    }
    ~Listener() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_thread.join();
        close(m_fd);
    }
    // The first onset at or after `since`, or a negative number.
    double onsetAfter(double since) {
        std::lock_guard lock(m_mutex);
        for (double t : m_onsets)
            if (t >= since)
                return t;
        return -1;
    }
    double lastLoud() const { return m_lastLoud.load(); }
    bool heard() const { return m_bytes.load() > 0; }

private:
    void run() {
        std::vector<std::int16_t> buffer(96);  // 2 ms
        for (;;) {
            const ssize_t n = read(m_fd, buffer.data(), buffer.size() * sizeof(std::int16_t));
            if (n <= 0)
                return;
            const double at = nowMs();
            m_bytes += n;
            bool loud = false;
            for (ssize_t i = 0; i < n / 2; ++i)
                loud = loud || std::abs(int(buffer[size_t(i)])) > kLoud;
            if (!loud)
                continue;
            if (at - m_lastLoud.load() > kSilenceMs) {
                std::lock_guard lock(m_mutex);
                m_onsets.push_back(at);
            }
            m_lastLoud = at;
        }
    }
    static constexpr int kLoud = 300;  // about -40 dB of full scale
    static constexpr double kSilenceMs = 40;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<double> m_onsets;
    std::atomic<double> m_lastLoud{0};
    std::atomic<long long> m_bytes{0};
};

std::vector<std::string> rest(int argc, char** argv, int from) {
    return std::vector<std::string>(argv + from, argv + argc);
}

int startup(const std::string& key, int below, const std::string& folder,
            const std::vector<std::string>& command) {
    Probe probe(below);
    probe.movePointer(0, 0);
    if (!probe.waitForEmpty(5000))
        throw std::runtime_error("the screen is not empty before the start");
    probe.launch(folder, command);
    const double seen = probe.waitForPicture(20000);
    if (seen < 0)
        throw std::runtime_error("no picture came on screen");
    result(key + "_ms", seen - probe.startedAt());
    sleepMs(2000);
    result(key + "_peak_kib", double(statusFieldKibOf(probe.pid(), "VmHWM").value_or(-1)));
    result(key + "_steady_kib", double(statusFieldKibOf(probe.pid(), "VmRSS").value_or(-1)));
    probe.stop();
    return 0;
}

// With `atOnce` the first character of each start is touched as soon as it shows.
int touch(const std::string& key, int samples, int perStart, bool atOnce, int below,
          const std::string& folder, const std::vector<std::string>& command) {
    Listener listener;
    Probe probe(below);
    probe.movePointer(0, 0);
    // The first touch may come at once: the recording must run by then.
    for (int waited = 0; waited < 200 && !listener.heard(); ++waited)
        sleepMs(10);
    int taken = 0, lostNumerals = 0, lostSounds = 0;
    while (taken < samples) {
        probe.launch(folder, command);
        for (int caught = 0; caught < perStart && taken < samples; ++caught) {
            // A character comes on: it stays put for the hop interval from now.
            const double seen = probe.waitForPicture(8000);
            if (seen < 0)
                break;
            // Otherwise the first character of a start is left until it has hopped once, so
            // that the sound of the touch follows the first hop sound of the run.
            if (caught > 0 || !atOnce)
                sleepMs(caught == 0 ? kFirstHopMs + kAfterHopMs : kAfterHopMs);
            const ColouredBox box = probe.pictureBox();
            if (box.isEmpty())
                continue;
            if (nowMs() - listener.lastLoud() < 50)
                sleepMs(50);
            Grab region(probe.display(), box.left, box.top, box.right - box.left + 1,
                        box.bottom - box.top + 1);
            region.take();
            const std::vector<std::uint32_t> before = region.copy();
            const int enough = std::max(50, int(before.size() / 100));

            const double touched = nowMs();
            probe.movePointer(box.centreX(), box.centreY());
            double drawn = -1;
            while (nowMs() - touched < 2000) {
                region.take();
                const double at = nowMs();
                if (countChanged(before.data(), region.copy().data(), int(before.size())) >=
                    enough) {
                    drawn = at;
                    break;
                }
            }
            double heard = -1;
            while (heard < 0 && nowMs() - touched < 1000) {
                heard = listener.onsetAfter(touched);
                if (heard < 0)
                    sleepMs(2);
            }
            probe.movePointer(0, 0);
            if (drawn < 0)
                ++lostNumerals;
            else
                result(key + "_numeral_ms", drawn - touched);
            if (heard < 0)
                ++lostSounds;
            else
                result(key + "_sound_ms", heard - touched);
            ++taken;
            // The caught character goes into the tray.
            probe.waitForEmpty(3000);
        }
        probe.stop();
    }
    if (!listener.heard())
        std::fprintf(stderr, "screen_probe: nothing came from null.monitor (no audio server?)\n");
    if (lostNumerals + lostSounds > 0)
        std::fprintf(stderr, "screen_probe: %d touches showed no numeral, %d no sound\n",
                     lostNumerals, lostSounds);
    return 0;
}

int idle(const std::string& key, double seconds, bool catchFirst, int below,
         const std::string& folder, const std::vector<std::string>& command) {
    Probe probe(below);
    probe.movePointer(0, 0);
    probe.launch(folder, command);
    if (probe.waitForPicture(20000) < 0)
        throw std::runtime_error("no picture came on screen");
    if (catchFirst) {
        sleepMs(kAfterHopMs);
        const ColouredBox box = probe.pictureBox();
        probe.movePointer(box.centreX(), box.centreY());
        sleepMs(50);
        probe.movePointer(0, 0);
        // Into the tray (1.2 s and its sound), then the question (1 s) and its spoken words.
        sleepMs(6000);
    } else {
        sleepMs(2000);
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const auto before = cpuTicksOf(probe.pid());
    const double from = nowMs();
    sleepMs(seconds * 1000);
    const auto after = cpuTicksOf(probe.pid());
    const double elapsed = (nowMs() - from) / 1000.0;
    if (!before || !after)
        throw std::runtime_error("the program ended while it was watched");
    result(key + "_cpu_pct", double(*after - *before) / double(ticksPerSecond) / elapsed * 100.0);
    probe.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "startup" && argc >= 6)
            return startup(argv[2], std::atoi(argv[3]), argv[4], rest(argc, argv, 5));
        if (mode == "touch" && argc >= 7)
            return touch(mode, std::atoi(argv[2]), std::atoi(argv[3]), false, std::atoi(argv[4]),
                         argv[5], rest(argc, argv, 6));
        if (mode == "first-touch" && argc >= 6)
            return touch("first_touch", std::atoi(argv[2]), 1, true, std::atoi(argv[3]), argv[4],
                         rest(argc, argv, 5));
        if (mode == "idle" && argc >= 8)
            return idle(argv[2], std::atof(argv[3]), std::atoi(argv[4]) != 0, std::atoi(argv[5]),
                        argv[6], rest(argc, argv, 7));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "screen_probe: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: see the head of screen_probe.cpp\n");
    return 2;
}
