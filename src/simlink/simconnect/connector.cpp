#include "simlink/simconnect/connector.h"

#include <fmt/format.h>

#include "platform/named_pipe_path.h"
#include "platform/xdg_user_dirs.h"
#include "settings/data_folder.h"
#include "simlink/simconnect/connection_settings.h"

namespace kiv::simconnect {
namespace {

class Chain {
public:
    Chain(const ConnectEnvironment& environment, const ConnectionSettings& settings)
        : environment_(environment), settings_(settings) {}

    std::unique_ptr<Connection> run();

private:
    std::unique_ptr<Connection> pipeChain();
    std::unique_ptr<Connection> pipeAttempt();
    std::unique_ptr<Connection> tcpAttempt(platform::IpFamily family);
    void report(ConnectAttempt::Kind kind, std::string target, bool succeeded, std::string error) const {
        if (environment_.onAttempt) {
            environment_.onAttempt({kind, std::move(target), succeeded, std::move(error)});
        }
    }

    const ConnectEnvironment& environment_;
    ConnectionSettings settings_;
};

std::unique_ptr<Connection> Chain::run() {
    switch (settings_.protocol) {
    case kProtocolIpv6:
        return tcpAttempt(platform::IpFamily::ipv6);
    case kProtocolIpv4:
        return tcpAttempt(platform::IpFamily::ipv4);
    case kProtocolPipe:
        return pipeChain();
    default:
        return nullptr;
    }
}

std::unique_ptr<Connection> Chain::pipeChain() {
    if (auto connection = pipeAttempt()) {
        return connection;
    }
    if (settings_.address.empty() || settings_.address == ".") {
        settings_.address = "::1";
        settings_.port = registryPort(environment_.registry, kRegistryPortIpv6);
        if (!settings_.port.empty()) {
            if (auto connection = tcpAttempt(platform::IpFamily::ipv6)) {
                return connection;
            }
        }
    }
    if (settings_.address == "::1") {
        settings_.address = "127.0.0.1";
        settings_.port = registryPort(environment_.registry, kRegistryPortIpv4);
        if (auto connection = tcpAttempt(platform::IpFamily::ipv4)) {
            return connection;
        }
    }
    if (settings_.address == "127.0.0.1") {
        settings_.address = ".";
        settings_.port.clear();
        return pipeAttempt();
    }
    return nullptr;
}

std::unique_ptr<Connection> Chain::pipeAttempt() {
    const std::string server = settings_.address.empty() ? std::string(".") : settings_.address;
    const std::string name = settings_.port.empty() ? fmt::format("\\\\{}\\pipe\\{}", server, kDefaultPipeName)
                                                    : fmt::format("\\\\{}\\pipe\\{}", server, settings_.port);
    const auto path = platform::localPipePath(name, environment_.pipeFolder);
    if (!path) {
        report(ConnectAttempt::Kind::pipe, name, false, "no local path for this pipe");
        return nullptr;
    }
    const std::string target = fmt::format("{} ({})", name, path->string());
    platform::SocketError error;
    auto socket = platform::StreamSocket::connectLocal(*path, error);
    if (!socket) {
        report(ConnectAttempt::Kind::pipe, target, false, error.text);
        return nullptr;
    }
    report(ConnectAttempt::Kind::pipe, target, true, {});
    return std::make_unique<Connection>(std::move(*socket), TransportKind::pipe, target, settings_.maxReceiveSize,
                                        false, environment_.clock);
}

std::unique_ptr<Connection> Chain::tcpAttempt(platform::IpFamily family) {
    const auto kind = family == platform::IpFamily::ipv6 ? ConnectAttempt::Kind::ipv6 : ConnectAttempt::Kind::ipv4;
    const std::string target = family == platform::IpFamily::ipv6
                                   ? fmt::format("[{}]:{}", settings_.address, settings_.port)
                                   : fmt::format("{}:{}", settings_.address, settings_.port);
    if (settings_.port.empty()) {
        report(kind, target, false, "no port");
        return nullptr;
    }
    platform::SocketError error;
    auto socket = platform::StreamSocket::connectTcp(family, settings_.address, settings_.port, error);
    if (!socket) {
        report(kind, target, false, error.text);
        return nullptr;
    }
    report(kind, target, true, {});
    return std::make_unique<Connection>(std::move(*socket), TransportKind::socket, target, settings_.maxReceiveSize,
                                        settings_.disableNagle != 0, environment_.clock);
}

std::filesystem::path currentFolder() {
    std::error_code error;
    auto folder = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : folder;
}

} // namespace

ConnectEnvironment ConnectEnvironment::standard() {
    ConnectEnvironment environment;
    environment.configFolders = {platform::publicShareFolder(), platform::documentsFolder(), currentFolder()};
    environment.registry = platform::RegistryStore(gf_dataFolder() / kRegistryFileName);
    environment.pipeFolder = platform::defaultPipeFolder();
    environment.clock = [] { return std::chrono::steady_clock::now(); };
    return environment;
}

ConnectOutcome connectToSimulator(std::int32_t configIndex, const ConnectEnvironment& environment) {
    const auto settings = readConnectionSettings(configIndex, environment.configFolders, environment.registry);
    if (!settings) {
        return {kConnectNoSection, nullptr};
    }
    ConnectEnvironment withClock = environment;
    if (!withClock.clock) {
        withClock.clock = [] { return std::chrono::steady_clock::now(); };
    }
    auto connection = Chain(withClock, *settings).run();
    if (!connection) {
        return {kConnectFailed, nullptr};
    }
    return {kConnectOk, std::move(connection)};
}

} // namespace kiv::simconnect
