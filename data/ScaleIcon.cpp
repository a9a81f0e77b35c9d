// Build-time helper: writes the program's pixel-art icon at another size.
// Only whole factors are allowed and every pixel is repeated or dropped,
// never blended, so the icon stays as sharp as it was drawn.
//
//   korimo_scale_icon IN.png SIZE OUT.png
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IN.png SIZE OUT.png\n", argv[0]);
    return 2;
  }
  const QImage icon(QString::fromLocal8Bit(argv[1]));
  const int size = std::atoi(argv[2]);
  if (icon.isNull() || icon.width() != icon.height()) {
    std::fprintf(stderr, "%s: not a square picture\n", argv[1]);
    return 1;
  }
  const int from = icon.width();
  if (size <= 0 || (size % from != 0 && from % size != 0)) {
    std::fprintf(stderr, "%d is no whole factor of %d\n", size, from);
    return 1;
  }
  const QImage scaled = icon.convertToFormat(QImage::Format_ARGB32)
                            .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (!scaled.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "%s: cannot write\n", argv[3]);
    return 1;
  }
  return 0;
}
