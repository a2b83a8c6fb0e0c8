// A server across the network that floods the program with Telnet option
// requests and reads nothing once the port is open, played by a child
// process on 127.0.0.1. For each kind of flood it prints the program's
// memory over its idle size (resident set, at most, while the flood runs),
// the most bytes that waited to go to the server, and how the connection
// ended.
//
//   bench_network_flood [seconds]      (default 15 per flood)

#include "ports/NetworkPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Flood {
    RefusedRepeated, // DO TERMINAL-TYPE over and over
    EveryOption,     // DO and WILL for every option in turn, over and over
    AgreedToggled,   // DO BINARY, DONT BINARY: each asks for an answer
};

const char *nameOf(Flood flood)
{
    switch (flood) {
    case Flood::RefusedRepeated:
        return "a refused request repeated";
    case Flood::EveryOption:
        return "every option in turn";
    case Flood::AgreedToggled:
        return "an agreed option switched off and on";
    }
    return "";
}

std::string requestsOf(Flood flood)
{
    std::string requests;
    const auto request = [&requests](int verb, int option) {
        requests += char(255);
        requests += char(verb);
        requests += char(option);
    };
    switch (flood) {
    case Flood::RefusedRepeated:
        for (int i = 0; i < 20000; ++i)
            request(253, 24);
        break;
    case Flood::EveryOption:
        for (int round = 0; round < 40; ++round) {
            for (int option = 0; option < 256; ++option) {
                request(253, option);
                request(251, option);
            }
        }
        break;
    case Flood::AgreedToggled:
        for (int i = 0; i < 10000; ++i) {
            request(253, 0);
            request(254, 0);
        }
        break;
    }
    return requests;
}

// The server: agrees to RFC 2217, answers each setting, then floods and
// never reads again. It ends by itself after `seconds`.
[[noreturn]] void serve(int listening, Flood flood, int seconds)
{
    alarm(unsigned(seconds));
    const int fd = ::accept(listening, nullptr, nullptr);
    if (fd < 0)
        _exit(1);
    const char agree[] = {char(255), char(253), char(44)};
    ::send(fd, agree, sizeof agree, MSG_NOSIGNAL);
    std::string in;
    bool taken = false;
    while (!taken) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            _exit(1);
        in.append(buffer, size_t(n));
        for (;;) {
            const size_t at = in.find("\xff\xfa\x2c");
            const size_t end = at == std::string::npos ? at : in.find("\xff\xf0", at);
            if (end == std::string::npos)
                break;
            const char command = in[at + 3];
            const std::string value = in.substr(at + 4, end - at - 4);
            in.erase(0, end + 2);
            if (command == 5 && value.size() == 1 && value[0] > 3)
                continue; // DTR and RTS are not answered
            const std::string answer = std::string("\xff\xfa\x2c") + char(command + 100) + value +
                                       "\xff\xf0";
            ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            taken = taken || command == 5;
        }
    }
    const std::string requests = requestsOf(flood);
    while (::send(fd, requests.data(), requests.size(), MSG_NOSIGNAL) > 0) {
    }
    _exit(0);
}

double residentMegabytes()
{
    FILE *statm = std::fopen("/proc/self/statm", "r");
    long pages = 0;
    long resident = 0;
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void run(Flood flood, int seconds)
{
    const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listening, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listening, 1) != 0 ||
        ::getsockname(listening, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    const int port = ntohs(address.sin_port);
    const pid_t child = fork();
    if (child == 0)
        serve(listening, flood, seconds + 10);
    ::close(listening);

    const QString url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);
    NetworkPort network([url](int) { return PortPath{url, {}, url}; });
    network.setCommPort(1);
    network.setSettings(QStringLiteral("9600,N,8,1"));
    network.setHandshaking(0);
    const double idle = residentMegabytes();
    network.setPortOpen(true);

    double most = idle;
    QElapsedTimer clock;
    clock.start();
    qint64 goneAfterMs = -1;
    QEventLoop loop;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &loop, [&] {
        most = std::max(most, residentMegabytes());
        if (goneAfterMs < 0 && network.deviceGone())
            goneAfterMs = clock.elapsed();
        if (clock.elapsed() >= seconds * 1000LL)
            loop.quit();
    });
    sample.start(50);
    loop.exec();

    std::printf("%-40s memory over idle %6.2f MB (idle %.1f MB)   most queued %6lld bytes   ",
                nameOf(flood), most - idle, idle, static_cast<long long>(network.mostQueued()));
    if (goneAfterMs >= 0)
        std::printf("closed after %.1f s: %s\n", goneAfterMs / 1000.0,
                    qPrintable(network.givenUpReason()));
    else
        std::printf("still open\n");
    network.setPortOpen(false);
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    for (const Flood flood : {Flood::RefusedRepeated, Flood::EveryOption, Flood::AgreedToggled})
        run(flood, seconds);
    return 0;
}
