#include "ui/main/PictureImport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstring>

namespace korimo::ui {

namespace {

constexpr int kClassicPixelOffset = 54;

bool StartsAsBmp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(2) == "BM";
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ImportPicture(const QString& path) {
  // A FIFO or device would make the readers wait; the loader refuses those.
  const QFileInfo info(path);
  if (!info.isFile() || StartsAsBmp(path)) return std::nullopt;
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QImage picture = reader.read();
  if (picture.isNull()) return std::nullopt;

  // An opaque 32-bit image is written as 24-bit BMP by Qt's writer.
  QImage opaque(picture.size(), QImage::Format_RGB32);
  opaque.fill(Qt::white);
  {
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
  }
  QByteArray bmp;
  QBuffer buffer(&bmp);
  if (!buffer.open(QIODevice::WriteOnly) || !opaque.save(&buffer, "BMP")) return std::nullopt;
  // Only the classic layout is of use; anything else is a reader this does not know.
  if (bmp.size() < kClassicPixelOffset || bmp[10] != kClassicPixelOffset || bmp[14] != 40 || bmp[28] != 24)
    return std::nullopt;
  return std::vector<std::uint8_t>(bmp.begin(), bmp.end());
}

QString ProposedCarrierName(const QString& path) {
  if (path.isEmpty() || StartsAsBmp(path)) return {};
  const QFileInfo info(path);
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(".bmp"));
}

}  // namespace korimo::ui
