// Renders the program's one pixel-art icon into the sizes a desktop theme wants, so that the
// window icon and the installed icons can never drift apart.
//   talus-icon-render SOURCE OUT.svg [SIZE:OUT.png]...
// PNGs are scaled nearest-neighbour to keep the pixel art crisp; the SVG has one rect per run
// of equal pixels in a row, so it scales to any size without blurring.

#include <QColor>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString svgOf(const QImage &image)
{
    QString svg =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                       "viewBox=\"0 0 %1 %2\" shape-rendering=\"crispEdges\">\n")
            .arg(image.width())
            .arg(image.height());
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            const QRgb colour = image.pixel(x, y);
            int end = x + 1;
            while (end < image.width() && image.pixel(end, y) == colour)
                ++end;
            // Fully transparent runs are left out; the canvas is transparent already.
            if (qAlpha(colour) != 0) {
                svg += u"<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"1\" fill=\"%4\""_s.arg(x)
                           .arg(y)
                           .arg(end - x)
                           .arg(QColor::fromRgb(colour).name());
                if (qAlpha(colour) != 255)
                    svg += u" fill-opacity=\"%1\""_s.arg(qAlpha(colour) / 255.0, 0, 'f', 3);
                svg += u"/>\n"_s;
            }
            x = end;
        }
    }
    svg += u"</svg>\n"_s;
    return svg;
}

std::optional<QString> writeSvg(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(svgOf(image).toUtf8()) < 0 || !file.commit())
        return u"cannot write %1: %2"_s.arg(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> writePng(const QImage &image, const QString &request)
{
    const qsizetype colon = request.indexOf(QLatin1Char(':'));
    bool isNumber = false;
    const int size = colon > 0 ? request.left(colon).toInt(&isNumber) : 0;
    if (!isNumber || size < 1 || size > 1024)
        return u"expected SIZE:FILE.png, got \"%1\""_s.arg(request);
    const QString path = request.mid(colon + 1);
    const QImage scaled = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !scaled.save(&file, "PNG") || !file.commit())
        return u"cannot write %1: %2"_s.arg(path, file.errorString());
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: talus-icon-render SOURCE OUT.svg [SIZE:OUT.png]...\n");
        return 2;
    }

    QImage image(args.at(0));
    if (image.isNull()) {
        std::fprintf(stderr, "talus-icon-render: cannot read %s\n", qPrintable(args.at(0)));
        return 1;
    }
    image = image.convertToFormat(QImage::Format_ARGB32);

    std::optional<QString> error = writeSvg(image, args.at(1));
    for (qsizetype i = 2; !error && i < args.size(); ++i)
        error = writePng(image, args.at(i));
    if (error) {
        std::fprintf(stderr, "talus-icon-render: %s\n", qPrintable(*error));
        return 1;
    }
    return 0;
}
