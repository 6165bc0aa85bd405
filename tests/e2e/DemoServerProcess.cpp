#include "e2e/DemoServerProcess.h"

#include <QElapsedTimer>
#include <fstream>
#include <stdexcept>

namespace lemnar::test {

TDemoServerProcess::~TDemoServerProcess() {
    if (Process.state() == QProcess::NotRunning)
        return;
    Process.terminate();
    if (!Process.waitForFinished(5000)) {
        Process.kill();
        Process.waitForFinished(5000);
    }
}

bool TDemoServerProcess::Start(std::string& error) {
    Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Process.start(QString::fromUtf8(LEMNAR_DEMO_SERVER), {"--port", "0"});
    if (!Process.waitForStarted(10000)) {
        error = "the demo server did not start: " + Process.errorString().toStdString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QByteArray output;
    while (clock.elapsed() < 20000) {
        if (Process.canReadLine() || Process.waitForReadyRead(200)) {
            output += Process.readAll();
            const qsizetype at = output.indexOf("listening on 127.0.0.1:");
            const qsizetype end = output.indexOf('\n', at);
            if (at >= 0 && end > at) {
                const qsizetype colon = output.lastIndexOf(':', end);
                BoundPort = output.mid(colon + 1, end - colon - 1).trimmed().toInt();
                if (BoundPort > 0)
                    return true;
                error = "unreadable port in: " + output.toStdString();
                return false;
            }
        }
        if (Process.state() == QProcess::NotRunning) {
            error = "the demo server ended: " + output.toStdString();
            return false;
        }
    }
    error = "no \"listening on\" line from the demo server within 20 s";
    return false;
}

std::string Cp866(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            continue;
        }
        if ((lead & 0xE0) != 0xC0 || i + 1 >= utf8.size())
            throw std::invalid_argument("Cp866: only ASCII and Cyrillic letters");
        const unsigned code =
            ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (code >= 0x410 && code <= 0x42F) // А..Я
            out += static_cast<char>(0x80 + (code - 0x410));
        else if (code >= 0x430 && code <= 0x43F) // а..п
            out += static_cast<char>(0xA0 + (code - 0x430));
        else if (code >= 0x440 && code <= 0x44F) // р..я
            out += static_cast<char>(0xE0 + (code - 0x440));
        else if (code == 0x401) // Ё
            out += static_cast<char>(0xF0);
        else if (code == 0x451) // ё
            out += static_cast<char>(0xF1);
        else
            throw std::invalid_argument("Cp866: only ASCII and Cyrillic letters");
    }
    return out;
}

void WriteLoginScript(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "demo\nsecret\n";
}

} // namespace lemnar::test
