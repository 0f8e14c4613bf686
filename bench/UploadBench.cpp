// Upload throughput of the firmware upload routine against a plain sender
// writing the same file to the same device in 64 KiB writes, measured side
// by side in one run, with and without a progress view attached. Run it
// inside a lab with a simulated device that takes sized uploads
// (bench/run_bench.sh does). Prints its figures in the form
// bench/BenchFigures.h describes.

#include "net/TcpClient.h"
#include "upgrade/UpgradeCancel.h"
#include "upgrade/UploadHost.h"
#include "upgrade/UploadRoutines.h"
#include "upgrade/UploadWire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace lorvena;
using Clock = std::chrono::steady_clock;

// A stand-in for the window's thread: runs handed-over work and lets the
// caller wait for it, as the view's hand-over does.
class WindowThread {
public:
    WindowThread() : thread_([this] { loop(); }) {}
    ~WindowThread()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void run(std::function<void()> work)
    {
        std::unique_lock lock(mutex_);
        work_ = std::move(work);
        wake_.notify_all();
        wake_.wait(lock, [this] { return !work_; });
    }

private:
    void loop()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return stopping_ || work_; });
            if (stopping_)
                return;
            work_();
            work_ = nullptr;
            wake_.notify_all();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> work_;
    bool stopping_ = false;
    std::thread thread_;
};

// The upload's view of the panel. With a window thread attached, each new
// figure is handed over and waited for, as the upgrade worker does.
class BenchHost final : public UploadHost {
public:
    BenchHost(std::string ip, std::string port, std::string path, WindowThread* window)
        : ip_(std::move(ip)), port_(std::move(port)), path_(std::move(path)), window_(window)
    {
    }
    std::string uploadPath() override { return path_; }
    UpgradeTarget target() override { return {ip_, port_, "1000"}; }
    std::string userName() override { return "admin"; }
    std::string password() override { return "12345"; }
    void markRunning() override {}
    void showProgress(int value) override
    {
        percent_.exchange(value);
        if (value == 50 && transferEnd == Clock::time_point {})
            transferEnd = Clock::now();
        if (value == lastShown_ || !window_)
            return;
        lastShown_ = value;
        window_->run([this, value] { shown_ = value; });
    }
    UpgradeCancel& cancel() override { return cancel_; }
    Clock::time_point transferEnd {};

private:
    std::string ip_, port_, path_;
    WindowThread* window_;
    std::atomic<int> percent_ {0};
    int lastShown_ = -1;
    int shown_ = 0;
    UpgradeCancel cancel_;
};

// Seconds from the start to the last byte of the file handed to the socket.
double routineSeconds(const std::string& ip, const std::string& port, const std::string& path, bool withView)
{
    WindowThread window;
    BenchHost host(ip, port, path, withView ? &window : nullptr);
    UpgradeTimings timings;
    timings.pollInterval = std::chrono::milliseconds(0);
    Clock::time_point start = Clock::now();
    UploadOutcome outcome = SizedUploadThenPoll(host, timings);
    if (!outcome.succeeded()) {
        std::fprintf(stderr, "upload_bench: the upload routine failed with %d\n", outcome.code);
        std::exit(1);
    }
    return std::chrono::duration<double>(host.transferEnd - start).count();
}

double plainSeconds(const std::string& ip, int port, const std::vector<char>& file)
{
    Clock::time_point start = Clock::now();
    TcpClient client;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    if (!client.Create(AF_INET) || !client.Connect(reinterpret_cast<sockaddr*>(&address), sizeof address)) {
        std::fprintf(stderr, "upload_bench: cannot connect to %s:%d\n", ip.c_str(), port);
        std::exit(1);
    }
    auto sendAll = [&](const char* data, std::size_t length) {
        while (length > 0) {
            ssize_t sent = ::send(client.descriptor(), data, length, MSG_NOSIGNAL);
            if (sent <= 0) {
                std::fprintf(stderr, "upload_bench: the plain sender's send failed\n");
                std::exit(1);
            }
            data += sent;
            length -= static_cast<std::size_t>(sent);
        }
    };
    std::string command = upgradeCommand(file.size());
    sendAll(command.data(), command.size());
    std::uint8_t reply[TcpClient::receiveBytes];
    ssize_t count = 0;
    client.Receive(reply, count);
    auto size = upgradeSizeField(file.size());
    sendAll(reinterpret_cast<const char*>(size.data()), size.size());
    constexpr std::size_t write = 64 * 1024;
    for (std::size_t offset = 0; offset < file.size(); offset += write)
        sendAll(file.data() + offset, std::min(write, file.size() - offset));
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    client.Receive(reply, count);
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    std::string ip = "10.1.0.10";
    int port = 80;
    std::string path;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--device") == 0)
            ip = argv[i + 1];
        else if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--file") == 0)
            path = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.empty()) {
        std::fprintf(stderr, "upload_bench: --file names no readable, non-empty file\n");
        return 1;
    }

    std::vector<double> plain, routine, routineWithView;
    for (int run = 0; run < runs; ++run) {
        plain.push_back(plainSeconds(ip, port, file));
        routine.push_back(routineSeconds(ip, std::to_string(port), path, false));
        routineWithView.push_back(routineSeconds(ip, std::to_string(port), path, true));
    }
    double mib = static_cast<double>(file.size()) / (1024.0 * 1024.0);
    double plainRate = mib / median(plain);
    double routineRate = mib / median(routine);
    double viewRate = mib / median(routineWithView);
    auto figure = [&](const char* what, double rate) {
        char name[128], peer[128];
        std::snprintf(name, sizeof name, "upload %.0f MiB: %s", mib, what);
        std::snprintf(peer, sizeof peer, "%.2f x plain sender, 64 KiB writes (%.1f MiB/s)", rate / plainRate, plainRate);
        std::printf("FIGURE\t%s\t%.1f\tMiB/s\t%d\t%s\n", name, rate, runs, peer);
    };
    figure("upload routine", routineRate);
    figure("upload routine, progress view", viewRate);
    return 0;
}
