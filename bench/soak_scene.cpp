#include "bench/soak_scene.h"

#include <cstdlib>
#include <string>

#include "tests/e2e/support/WaitUntil.h"

int NumberArgument(int argc, char** argv, const char* envName, int fallback) {
    const char* text = argc > 1 ? argv[1] : std::getenv(envName);
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    const int seconds = std::atoi(text);
    return seconds > 0 ? seconds : fallback;
}

DesktopOptions SoakDesktop() {
    DesktopOptions options;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
    return options;
}

std::vector<SourceClient> StartSources(TestDesktop& desktop, int count) {
    std::vector<SourceClient> sources;
    for (int k = 0; k < count; ++k) {
        SourceClient source;
        source.program = &desktop.Start(
            QStringLiteral(VANTREL_COLOUR_CLIENT),
            {"--title", QStringLiteral("Soak source %1").arg(k + 1), "--x",
             QString::number(20 + 320 * k), "--y", "20", "--width", "300", "--height", "200"},
            TestProgram::ErrorOutput::Keep);
        source.process = &source.program->Process();
        source.window = source.program->ReadAnnouncedWindow(5000);
        if (source.window == 0) {
            EndSources(sources);
            return {};
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

void ResizeSource(SourceClient& source) {
    const bool larger = (++source.resizes % 2) == 1;
    source.process->write(larger ? "resize 360 240\n" : "resize 300 200\n");
    source.process->waitForBytesWritten(1000);
    source.process->readAllStandardOutput();  // its acknowledgements
}

void EndSources(std::vector<SourceClient>& sources) {
    for (SourceClient& source : sources) {
        source.process->write("quit\n");
        source.process->closeWriteChannel();
        if (!source.program->WaitForExit(3000)) {
            source.program->Stop();
        }
    }
    sources.clear();
}
