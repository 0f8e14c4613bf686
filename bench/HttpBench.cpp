// The credential check against a device's web server ("Zmiana IP" runs it
// before a basic change): the time per check, against a plain client that
// sends the same first probe on a fresh connection and reads the answer to
// its end, side by side in one run. Run it where a simulated device serves
// HTTP with these credentials (bench/run_bench.sh runs it inside a lab).
// Usage: lorvena_http_bench --device IP --port P --password PW [--runs R] [--checks C]

#include "BenchFigures.h"

#include "config/HttpAuthorityCheck.h"
#include "net/Base64.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace lorvena;
using namespace lorvena::bench;

// One GET of the first probe with Basic credentials; true on "200 OK".
bool plainCheck(const sockaddr_in& device, const std::string& host, const std::string& token)
{
    int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    bool accepted = false;
    if (connect(socket, reinterpret_cast<const sockaddr*>(&device), sizeof device) == 0) {
        std::string request = "GET /vb.htm?paratest=authority HTTP/1.1\r\nHost: " + host +
            "\r\nAuthorization: Basic " + token + "\r\nConnection: close\r\n\r\n";
        if (send(socket, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
            std::string answer;
            char buffer[4096];
            for (ssize_t got; (got = recv(socket, buffer, sizeof buffer, 0)) > 0;)
                answer.append(buffer, static_cast<std::size_t>(got));
            accepted = answer.find("200 OK") != std::string::npos;
        }
    }
    close(socket);
    return accepted;
}

} // namespace

int main(int argc, char** argv)
{
    std::string ip = "10.1.0.10", port = "80", password = "12345";
    std::size_t runs = 5, checks = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--device") == 0)
            ip = argv[i + 1];
        else if (std::strcmp(argv[i], "--port") == 0)
            port = argv[i + 1];
        else if (std::strcmp(argv[i], "--password") == 0)
            password = argv[i + 1];
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
        else if (std::strcmp(argv[i], "--checks") == 0)
            checks = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    const std::string token = Base64Encode("admin:" + password);
    sockaddr_in device {};
    device.sin_family = AF_INET;
    device.sin_port = htons(static_cast<std::uint16_t>(std::atoi(port.c_str())));
    inet_pton(AF_INET, ip.c_str(), &device.sin_addr);

    std::vector<double> ours, plain;
    for (std::size_t run = 0; run < runs; ++run) {
        Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < checks; ++i) {
            if (!HttpAuthorityCheck(ip, port, token)) {
                std::fprintf(stderr, "http_bench: the device refused the check\n");
                return 1;
            }
        }
        ours.push_back(millisecondsSince(start) / static_cast<double>(checks));
        start = Clock::now();
        for (std::size_t i = 0; i < checks; ++i) {
            if (!plainCheck(device, ip + ":" + port, token)) {
                std::fprintf(stderr, "http_bench: the device refused the plain client\n");
                return 1;
            }
        }
        plain.push_back(millisecondsSince(start) / static_cast<double>(checks));
    }
    printFigure("HTTP credential check (HttpAuthorityCheck), per check", median(ours), "ms", runs,
        ratioTo(median(ours), median(plain), "plain GET client", "ms", 2), 2);
    std::printf("http_bench: each run is the mean of %zu checks\n", checks);
    return 0;
}
