// Saves what an X screen shows as a PNG file: the demonstration of scripts/run takes its
// picture of the virtual desktop with it.
//
//   vantrel_screenshot [--width W] [--wait-for-image X,Y,W,H] OUTPUT.png
//
// --width scales the picture down to that width, keeping its proportions.
// --wait-for-image grabs the screen again (for at most 10 seconds) until that area shows
// something other than black, for a window whose image the server draws a moment later;
// the last picture is saved either way, and the exit code is 3 when the area stayed black.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QString>
#include <QThread>

#include <cstdio>
#include <optional>
#include <string>

#include "tests/e2e/support/XClient.h"

namespace {

constexpr int kWaitMs = 10000;
constexpr int kPollMs = 100;

std::optional<QRect> ParseArea(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    int values[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].toInt(&ok);
        if (!ok || values[i] < 0) {
            return std::nullopt;
        }
    }
    const QRect area(values[0], values[1], values[2], values[3]);
    return area.isEmpty() ? std::nullopt : std::optional<QRect>(area);
}

// True when some pixel of the area is clearly not black.
bool ShowsImage(const QImage& image, const QRect& area) {
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 16 || qGreen(p) > 16 || qBlue(p) > 16) {
                return true;
            }
        }
    }
    return false;
}

// The whole screen of $DISPLAY as the server shows it; nothing, with the reason in error,
// when the display cannot be opened.
std::optional<QImage> GrabScreen(std::string* error) {
    const QByteArray display = qgetenv("DISPLAY");
    XClient client(display.toStdString());
    const std::optional<QRect> screen =
        client.Connected() ? client.Geometry(client.Root()) : std::nullopt;
    if (!screen) {
        *error = "cannot open display \"" + display.toStdString() + "\"";
        return std::nullopt;
    }
    return client.Grab(*screen);
}

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "vantrel_screenshot: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("PNG file to write"));
    const QCommandLineOption widthOption(QStringLiteral("width"),
                                         QStringLiteral("Scale the picture down to this width"),
                                         QStringLiteral("W"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait-for-image"),
        QStringLiteral("Wait until this area of the screen is not black"), QStringLiteral("area"));
    parser.addOption(widthOption);
    parser.addOption(waitOption);
    parser.addHelpOption();
    parser.process(application);
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(2);
    }
    const QString output = parser.positionalArguments().constFirst();

    int width = 0;
    if (parser.isSet(widthOption)) {
        bool ok = false;
        width = parser.value(widthOption).toInt(&ok);
        if (!ok || width <= 0) {
            return Fail("--width must be a positive number", 2);
        }
    }
    std::optional<QRect> area;
    if (parser.isSet(waitOption)) {
        area = ParseArea(parser.value(waitOption));
        if (!area) {
            return Fail("--wait-for-image takes X,Y,WIDTH,HEIGHT", 2);
        }
    }

    std::string error;
    std::optional<QImage> image = GrabScreen(&error);
    QElapsedTimer clock;
    clock.start();
    while (image && area && !ShowsImage(*image, *area) && clock.elapsed() < kWaitMs) {
        QThread::msleep(kPollMs);
        image = GrabScreen(&error);
    }
    if (!image) {
        return Fail(error, 1);
    }
    const bool shown = !area || ShowsImage(*image, *area);
    if (width > 0 && width < image->width()) {
        *image = image->scaledToWidth(width, Qt::SmoothTransformation);
    }
    if (!image->save(output, "PNG")) {
        return Fail("cannot write " + output.toStdString(), 1);
    }
    return shown ? 0 : Fail("the area stayed black", 3);
}
