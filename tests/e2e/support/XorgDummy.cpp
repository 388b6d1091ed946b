#include "tests/e2e/support/XorgDummy.h"

#include "tests/e2e/support/XvfbServer.h"

std::string XorgDummyConfig(int width, int height) {
    return "Section \"ServerFlags\"\n"
           "    Option \"AutoAddDevices\" \"false\"\n"
           "    Option \"AutoAddGPU\" \"false\"\n"
           "    Option \"DontVTSwitch\" \"true\"\n"
           "EndSection\n"
           "Section \"Device\"\n"
           "    Identifier \"card\"\n"
           "    Driver \"dummy\"\n"
           "    VideoRam 512000\n"
           "EndSection\n"
           "Section \"Monitor\"\n"
           "    Identifier \"monitor\"\n"
           "    HorizSync 5.0 - 1000.0\n"
           "    VertRefresh 5.0 - 200.0\n"
           "EndSection\n"
           "Section \"Screen\"\n"
           "    Identifier \"screen\"\n"
           "    Device \"card\"\n"
           "    Monitor \"monitor\"\n"
           "    DefaultDepth 24\n"
           "    SubSection \"Display\"\n"
           "        Depth 24\n"
           "        Virtual " +
           std::to_string(width) + " " + std::to_string(height) +
           "\n"
           "    EndSubSection\n"
           "EndSection\n"
           "Section \"InputDevice\"\n"
           "    Identifier \"keyboard\"\n"
           "    Driver \"void\"\n"
           "EndSection\n";
}

std::vector<std::string> XorgDummyArgs(bool composite) {
    return {"-config",
            "xorg.conf",
            "-logfile",
            "xorg.log",
            "-noreset",
            "-nolisten",
            "tcp",
            "-novtswitch",
            "-sharevts",
            "vt7",
            composite ? "+extension" : "-extension",
            "Composite"};
}

std::string DummyOutputName(std::size_t index) {
    return "DUMMY" + std::to_string(index);
}

namespace {

std::string ModeName(const MonitorSpec& m) {
    return "vt" + std::to_string(m.width) + "x" + std::to_string(m.height);
}

}  // namespace

// Timings need only be inside the monitor's wide ranges: 60 Hz with short blanking.
std::vector<std::vector<std::string>> DummyModeCommands(const MonitorSpec& m,
                                                        const std::string& output) {
    const int htotal = m.width + 160;
    const int vtotal = m.height + 30;
    const double clock = htotal * static_cast<double>(vtotal) * 60 / 1e6;
    const auto n = [](int value) { return std::to_string(value); };
    return {{"xrandr", "--newmode", ModeName(m), std::to_string(clock), n(m.width), n(m.width + 48),
             n(m.width + 80), n(htotal), n(m.height), n(m.height + 3), n(m.height + 6), n(vtotal)},
            {"xrandr", "--addmode", output, ModeName(m)}};
}

std::vector<std::string> DummyPlaceCommand(const MonitorSpec& m, const std::string& output) {
    std::vector<std::string> command = {"xrandr",
                                        "--output",
                                        output,
                                        "--mode",
                                        ModeName(m),
                                        "--pos",
                                        std::to_string(m.x) + "x" + std::to_string(m.y)};
    if (m.primary) {
        command.push_back("--primary");
    }
    return command;
}
