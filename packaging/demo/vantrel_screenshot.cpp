// Saves what an X screen shows as a PNG file: the demonstration of scripts/run takes its
// picture of the virtual desktop with it.
//
//   vantrel_screenshot OUTPUT.png [WIDTH]
//
// With WIDTH the picture is scaled down to that width, keeping its proportions.
#include <QImage>
#include <QString>

#include <cstdio>
#include <optional>
#include <string>

#include "packaging/demo/ScreenGrab.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vantrel_screenshot OUTPUT.png [WIDTH]\n");
        return 2;
    }
    int width = 0;
    if (argc == 3) {
        bool ok = false;
        width = QString::fromLocal8Bit(argv[2]).toInt(&ok);
        if (!ok || width <= 0) {
            std::fprintf(stderr, "vantrel_screenshot: WIDTH must be a positive number\n");
            return 2;
        }
    }
    std::string error;
    std::optional<QImage> image = GrabScreen({}, &error);
    if (!image) {
        std::fprintf(stderr, "vantrel_screenshot: %s\n", error.c_str());
        return 1;
    }
    if (width > 0 && width < image->width()) {
        *image = image->scaledToWidth(width, Qt::SmoothTransformation);
    }
    if (!image->save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "vantrel_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
