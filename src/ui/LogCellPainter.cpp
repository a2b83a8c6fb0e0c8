#include "ui/LogCellPainter.h"

#include "text/Codec.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>

#include <cmath>

namespace {

// Hex digits 0-F, 3 × 5 dots each, one row per entry (bit 2 is the left dot).
constexpr std::array<std::array<quint8, 5>, 16> kHexDots = {{
    {7, 5, 5, 5, 7}, // 0
    {2, 6, 2, 2, 7}, // 1
    {7, 1, 7, 4, 7}, // 2
    {7, 1, 7, 1, 7}, // 3
    {5, 5, 7, 1, 1}, // 4
    {7, 4, 7, 1, 7}, // 5
    {7, 4, 7, 5, 7}, // 6
    {7, 1, 1, 1, 1}, // 7
    {7, 5, 7, 5, 7}, // 8
    {7, 5, 7, 1, 7}, // 9
    {2, 5, 7, 5, 5}, // A
    {6, 5, 6, 5, 6}, // B
    {3, 4, 4, 4, 3}, // C
    {6, 5, 5, 5, 6}, // D
    {7, 4, 7, 4, 7}, // E
    {7, 4, 7, 4, 4}, // F
}};

bool isControl(uchar byte)
{
    if (byte < 0x20 || byte == 0x7F)
        return true;
    const QChar ch = Codec::charFromByte(byte);
    return ch.category() == QChar::Other_Control; // the C1 codes the character set keeps
}

// The Unicode control picture of a C0 code or DEL; none for the C1 codes.
char32_t controlPicture(uchar byte)
{
    if (byte < 0x20)
        return 0x2400 + byte;
    return byte == 0x7F ? 0x2421 : 0;
}

void drawDigit(QPainter &p, int digit, int left, int top, int dot)
{
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (kHexDots[digit][row] & (4 >> col))
                p.fillRect(left + col * dot, top + row * dot, dot, dot, p.pen().color());
        }
    }
}

} // namespace

void LogCellPainter::setFont(const QFont &font, qreal dpr)
{
    m_font = font;
    m_font.setKerning(false);
    m_font.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
    m_dpr = dpr > 0 ? dpr : 1.0;
    m_raw = QRawFont::fromFont(m_font);
    const QFontMetrics metrics(m_font);
    m_cellWidth = std::max(1, qRound(QFontMetricsF(m_font).horizontalAdvance(QLatin1Char('M'))));
    // A row height that is a whole number of device pixels, so scrolling by
    // rows moves whole pixels.
    const int logical = metrics.height() + 1;
    m_rowHeight = std::max(1, int(std::ceil(std::ceil(logical * m_dpr) / m_dpr)));
    m_ascent = metrics.ascent() + (m_rowHeight - metrics.height()) / 2;
    m_ownGlyphs.clear();
    m_symbols.clear();

    for (int b = 0; b < 256; ++b) {
        const uchar byte = uchar(b);
        const QChar ch = Codec::charFromByte(byte);
        const char32_t picture = controlPicture(byte);
        m_glyph[b] = 0;
        if (isControl(byte)) {
            m_kind[b] = Kind::Own;
            if (picture != 0 && m_raw.isValid() && m_raw.supportsCharacter(picture)) {
                const QList<quint32> glyphs =
                    m_raw.glyphIndexesForString(QString::fromUcs4(&picture, 1));
                if (!glyphs.isEmpty() && glyphs.first() != 0) {
                    m_kind[b] = Kind::Glyph;
                    m_glyph[b] = glyphs.first();
                }
            }
        } else if (ch.isSpace()) {
            m_kind[b] = Kind::Blank;
        } else if (m_raw.isValid() && m_raw.supportsCharacter(ch)) {
            const QList<quint32> glyphs = m_raw.glyphIndexesForString(QString(ch));
            m_kind[b] = glyphs.isEmpty() || glyphs.first() == 0 ? Kind::Fallback : Kind::Glyph;
            m_glyph[b] = glyphs.isEmpty() ? 0 : glyphs.first();
        } else {
            m_kind[b] = Kind::Fallback;
        }
    }
}

void LogCellPainter::paintRow(QPainter &painter, const QByteArray &line, int first, int count,
                              QPoint topLeft, const QColor &color) const
{
    const int end = int(std::min<qsizetype>(line.size(), qsizetype(first) + count));
    if (first >= end)
        return;
    m_indexes.clear();
    m_positions.clear();
    const qreal baseline = topLeft.y() + m_ascent;
    for (int column = first; column < end; ++column) {
        const uchar byte = uchar(line[column]);
        if (m_kind[byte] == Kind::Glyph) {
            m_indexes.push_back(m_glyph[byte]);
            m_positions.emplace_back(topLeft.x() + (column - first) * m_cellWidth, baseline);
        }
    }
    painter.setPen(color);
    if (!m_indexes.empty()) {
        QGlyphRun run;
        run.setRawFont(m_raw);
        run.setRawData(m_indexes.data(), m_positions.data(), int(m_indexes.size()));
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    // The rare cells that are not glyphs of the font.
    for (int column = first; column < end; ++column) {
        const uchar byte = uchar(line[column]);
        const Kind kind = m_kind[byte];
        if (kind == Kind::Glyph || kind == Kind::Blank)
            continue;
        const QRect cell(topLeft.x() + (column - first) * m_cellWidth, topLeft.y(), m_cellWidth,
                         m_rowHeight);
        if (kind == Kind::Own) {
            painter.drawPixmap(cell.topLeft(), cachedOwnGlyph(byte, color));
            continue;
        }
        painter.save();
        painter.setClipRect(cell, Qt::IntersectClip);
        painter.setFont(m_font);
        painter.drawText(QPointF(cell.left(), baseline), QString(Codec::charFromByte(byte)));
        painter.restore();
    }
}

// Drawn once per colour into a cell of its own, then only copied.
void LogCellPainter::paintSymbol(QPainter &painter, QChar symbol, QPoint topLeft,
                                 const QColor &color) const
{
    const quint64 key = (quint64(color.rgba()) << 16) | symbol.unicode();
    auto found = m_symbols.constFind(key);
    if (found == m_symbols.constEnd()) {
        QImage image(QSize(std::max(1, qRound(m_cellWidth * m_dpr)),
                           std::max(1, qRound(m_rowHeight * m_dpr))),
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(m_dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(m_font);
        p.setPen(color);
        p.drawText(QRectF(0, 0, m_cellWidth, m_rowHeight), Qt::AlignCenter, QString(symbol));
        p.end();
        found = m_symbols.insert(key, QPixmap::fromImage(image));
    }
    painter.drawPixmap(topLeft, *found);
}

const QPixmap &LogCellPainter::cachedOwnGlyph(uchar byte, const QColor &color) const
{
    const quint64 key = (quint64(color.rgba()) << 8) | byte;
    auto found = m_ownGlyphs.constFind(key);
    if (found == m_ownGlyphs.constEnd()) {
        const QSize cell(m_cellWidth, m_rowHeight);
        found = m_ownGlyphs.insert(key, QPixmap::fromImage(ownGlyph(byte, cell, m_dpr, color)));
    }
    return *found;
}

QImage LogCellPainter::ownGlyph(uchar byte, QSize cell, qreal dpr, const QColor &color)
{
    const QSize pixels(std::max(1, qRound(cell.width() * dpr)),
                       std::max(1, qRound(cell.height() * dpr)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(color);
    // Dots as large as fit: two digits of 5 dots stacked with one dot between,
    // inside a box with one pixel of room on each side.
    const int dot = std::max(1, std::min((pixels.width() - 4) / 3, (pixels.height() - 4) / 11));
    const int boxWidth = std::min(pixels.width(), 3 * dot + 4);
    const int boxHeight = std::min(pixels.height(), 11 * dot + 4);
    const QRect box((pixels.width() - boxWidth) / 2, (pixels.height() - boxHeight) / 2, boxWidth,
                    boxHeight);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    const int left = box.left() + (box.width() - 3 * dot) / 2;
    const int top = box.top() + (box.height() - 11 * dot) / 2;
    drawDigit(p, byte >> 4, left, top, dot);
    drawDigit(p, byte & 0x0F, left, top + 6 * dot, dot);
    p.end();
    image.setDevicePixelRatio(dpr);
    return image;
}
