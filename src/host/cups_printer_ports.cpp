#include "host/cups_printer_ports.h"

#include <cups/cups.h>

namespace {

// A spooler that does not answer within this time counts as none, so that a
// dead server never holds the window for long.
constexpr int connectTimeoutMilliseconds = 1000;

http_t* ConnectToSpooler() {
    return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                        connectTimeoutMilliseconds, nullptr);
}

// A raw job on one queue; the document ends, and the job prints, when the
// port is closed.
class TCupsJob : public TPrinterOutput {
public:
    TCupsJob(http_t* connection, std::string queue) : connection(connection), queue(std::move(queue)) {}
    ~TCupsJob() override {
        cupsFinishDocument(connection, queue.c_str());
        httpClose(connection);
    }
    TCupsJob(const TCupsJob&) = delete;
    TCupsJob& operator=(const TCupsJob&) = delete;

    // The connection buffers the bytes; should the spooler go away, they are lost.
    void Write(std::uint8_t value) override {
        const char byte = static_cast<char>(value);
        cupsWriteRequestData(connection, &byte, 1);
    }

private:
    http_t* connection;
    std::string queue;
};

}  // namespace

std::vector<std::string> TCupsPrinterPorts::GetPortNames() {
    std::vector<std::string> names;
    http_t* connection = ConnectToSpooler();
    if (connection == nullptr) return names;
    cups_dest_t* destinations = nullptr;
    const int count = cupsGetDests2(connection, &destinations);
    for (int index = 0; index < count && names.size() < TMSXPrinter::portListSize; ++index) {
        // An instance is a set of saved options for a queue, not a queue of its own.
        if (destinations[index].instance == nullptr) names.emplace_back(destinations[index].name);
    }
    cupsFreeDests(count, destinations);
    httpClose(connection);
    return names;
}

std::vector<std::string> TCupsPrinterPorts::GetPrinterNames() { return GetPortNames(); }

std::unique_ptr<TPrinterOutput> TCupsPrinterPorts::OpenPort(const std::string& name) {
    http_t* connection = ConnectToSpooler();
    if (connection == nullptr) return nullptr;
    const int job = cupsCreateJob(connection, name.c_str(), "Quib", 0, nullptr);
    if (job != 0) {
        if (cupsStartDocument(connection, name.c_str(), job, "MSX printer output", CUPS_FORMAT_RAW, 1) ==
            HTTP_STATUS_CONTINUE) {
            return std::make_unique<TCupsJob>(connection, name);
        }
        cupsCancelJob2(connection, name.c_str(), job, 0);
    }
    httpClose(connection);
    return nullptr;
}
