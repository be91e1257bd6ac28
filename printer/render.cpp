// SPDX-License-Identifier: MIT
#include "printer/render.h"

#include <zlib.h>

#include <QFile>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "printer/barcode.h"
#include "printer/listing.h"
#include "printer/qt_text.h"

namespace mpt::printer {

namespace {

constexpr int kLeft = (kPaperWidth - kPrintableWidth) / 2;
constexpr int kTopMargin = 16;
constexpr int kBottomMargin = 16;
constexpr int kLinePitch = 30;  // the printers' default line spacing, in dots
constexpr int kBelowCell = 4;   // dots between a cell's foot and the line's foot
constexpr int kLogoWidth = 384;
constexpr int kLogoHeight = 96;
constexpr int kLabelSize = 13;  // pixel size of the margin's writing

const QColor kOutside(0xd8, 0xd8, 0xd8);
const QColor kInk(0x14, 0x14, 0x14);
const QColor kRedInk(0xc8, 0x1e, 0x1e);
const QColor kMarkBlue(0x1f, 0x4e, 0x9a);
const QColor kMarkBrown(0x8a, 0x5a, 0x00);
const QColor kMarkRed(0xb0, 0x00, 0x00);
const QColor kGuide(0x70, 0x70, 0x70);

struct Cell {
    int width;
    int height;
};

Cell baseCell(const Style& style) {
    return style.fontC ? Cell{8, 16} : style.fontB ? Cell{9, 17} : Cell{12, 24};
}

Cell cellOf(const Style& style) {
    Cell cell = baseCell(style);
    cell.width *= std::max(style.width, style.doubleWidth || style.enlarged ? 2 : 1);
    cell.height *= std::max(style.height, style.doubleHeight ? 2 : 1);
    return cell;
}

// Where a thing `width` dots wide starts in a print area, by its justification.
int aligned(Align align, int areaWidth, int width) {
    switch (align) {
        case Align::Centre: return std::max(0, (areaWidth - width) / 2);
        case Align::Right: return std::max(0, areaWidth - width);
        case Align::Left: break;
    }
    return 0;
}

// One character in its place on a printed row.
struct Glyph {
    QString text;
    Style style;
    int x;       // from the printable area's left edge
    int width;   // one cell, or two for a character outside ASCII
    int height;  // the cell's height
};

struct Row {
    std::vector<Glyph> glyphs;
    int pitch = kLinePitch;
    int shift = 0;  // from the printable area's left edge: margin and justification
};

// The next tab position after x: every 8 characters unless ESC D set them.
int nextTab(const Line& line, const Style& style, int x) {
    const int cell = cellOf(style).width;
    if (line.tabs.size() == 1 && line.tabs.front() == 0) {
        return (x / (8 * cell) + 1) * 8 * cell;
    }
    for (const int column : line.tabs) {
        if (column * cell > x) {
            return column * cell;
        }
    }
    return x;
}

// Lays a line's characters into rows of its print area.
std::vector<Row> rowsOf(const Line& line) {
    std::vector<Row> rows(1);
    const int areaWidth = std::max(1, std::min(line.width, kPrintableWidth - line.left));
    int x = 0;
    for (const Span& span : line.spans) {
        if (span.moveTo >= 0 && span.moveTo < areaWidth) {
            x = span.moveTo;
        } else if (span.moveBy != 0) {
            x = std::clamp(x + span.moveBy, 0, areaWidth);
        } else if (span.tab) {
            x = std::min(nextTab(line, span.style, x), areaWidth);
        }
        const Cell cell = cellOf(span.style);
        const QString text = qtText(span.text);
        for (const uint codePoint : text.toUcs4()) {
            const int width =
                codePoint < 0x80 || span.style.singleByte ? cell.width : 2 * cell.width;
            if (x + width > areaWidth && x > 0) {
                rows.emplace_back();
                x = 0;
            }
            const char32_t ucs4[] = {static_cast<char32_t>(codePoint)};
            rows.back().glyphs.push_back(
                {QString::fromUcs4(ucs4, 1), span.style, x, width, cell.height});
            x += width;
        }
    }
    for (Row& row : rows) {
        row.pitch = std::max(row.pitch, line.spacing);
        int end = 0;
        for (const Glyph& g : row.glyphs) {
            row.pitch = std::max(row.pitch, g.height + 2 * kBelowCell);
            end = std::max(end, g.x + g.width);
        }
        row.shift = line.left + aligned(line.align, areaWidth, end);
        // Upside down, the row reads from the right: each character's place is mirrored.
        for (Glyph& g : row.glyphs) {
            if (g.style.upsideDown) {
                g.x = end - g.x - g.width;
            }
        }
    }
    return rows;
}

QFont labelFont(bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(kLabelSize);
    font.setBold(bold);
    return font;
}

// Paints a page, or with no painter only measures it: both passes walk the same way, so the
// picture's height is known before it is painted.
class PagePainter {
  public:
    PagePainter(const Page& page, const QString& caption) : m_page(page), m_caption(caption) {}

    // Returns the picture's height.
    int run(QPainter* painter) {
        m_p = painter;
        m_y = kTopMargin;
        m_labelY = 0;
        if (!m_caption.isEmpty()) {
            label(0, m_caption, kInk, true);
        }
        if (m_page.elements.empty() && m_page.cut != Cut::None) {
            label(0,
                  qtText(translate("Paper", "cut again: nothing printed since the previous cut")),
                  kGuide);
        }
        for (const Element& element : m_page.elements) {
            std::visit([this](const auto& e) { draw(e); }, element);
        }
        m_y += kBottomMargin;
        const int paperEnd = m_y;
        drawCut(paperEnd);
        int end = paperEnd + (m_page.cut == Cut::None ? 24 : 8);
        for (const Mark& mark : m_page.afterCut) {
            drawMark(mark, paperEnd + 8);
        }
        end = std::max(end, m_labelY + 8);
        return end;
    }

    int paperEnd() const { return m_y; }

  private:
    void draw(const Line& line) {
        if (line.feed >= 0) {
            m_y += line.feed;
            return;
        }
        if (line.spans.empty() && !line.lineAttribute) {
            m_y += line.spacing;
            return;
        }
        const std::vector<Row> rows = rowsOf(line);
        const int top = m_y;
        for (const Row& row : rows) {
            drawRow(row);
            m_y += row.pitch;
        }
        if (line.lineAttribute) {
            if (m_p != nullptr) {
                m_p->fillRect(kLeft - 16, top + 4, 4, m_y - top - 8, kGuide);
            }
            label(top, qtText(translate("Paper", "line attribute (DC3)")), kGuide);
        }
    }

    void drawRow(const Row& row) {
        // Rows below the foot of the picture are measured, not painted.
        if (m_p == nullptr || m_y >= kMaxPictureHeight) {
            return;
        }
        const int foot = m_y + row.pitch - kBelowCell;
        // Other drawing sets the painter's pen and font too: a row starts afresh.
        m_fontKey = -1;
        m_penSet = false;
        for (const Glyph& g : row.glyphs) {
            const int cellTop = foot - g.height;
            const int left = kLeft + row.shift + g.x;
            QColor colour = g.style.red ? kRedInk : kInk;
            if (g.style.reverse) {
                m_p->fillRect(left, cellTop, g.width, g.height, colour);
                colour = Qt::white;
            }
            setPen(colour);
            setPrinterFont(g.style);
            // The glyph is drawn in the cell of the normal size and stretched to the enlarged one.
            const Cell normal = baseCell(g.style);
            const int columns = g.width / cellOf(g.style).width;
            const QRectF cell(0, 0, columns * normal.width, normal.height);
            if (g.height == normal.height && g.width == columns * normal.width &&
                !g.style.upsideDown && !g.style.rotated) {
                drawInCell(cell.translated(left, cellTop), g.text);
            } else {
                const double sx = static_cast<double>(g.width) / (columns * normal.width);
                const double sy = static_cast<double>(g.height) / normal.height;
                const QTransform before = m_p->transform();
                m_p->translate(left, cellTop);
                if (g.style.upsideDown) {
                    m_p->translate(g.width, g.height);
                    m_p->rotate(180);
                }
                if (g.style.rotated) {
                    m_p->translate(g.width, 0);
                    m_p->rotate(90);
                    m_p->scale(static_cast<double>(g.height) / g.width,
                               static_cast<double>(g.width) / g.height);
                }
                m_p->scale(sx, sy);
                drawInCell(cell, g.text);
                m_p->setTransform(before);
            }
            if (g.style.underline) {
                m_p->fillRect(left, foot + 1, g.width, 2, colour);
            }
        }
    }

    // A character centred in its cell, its foot on the cell's foot, as Qt's alignment in the cell
    // would place it, without laying it out as a paragraph of its own: each character's width in
    // each face is measured once.
    void drawInCell(const QRectF& cell, const QString& text) {
        struct Face {
            QFontMetricsF metrics{QFont()};
            QHash<QString, qreal> advances;
        };
        static thread_local std::array<std::unique_ptr<Face>, 8> faces;
        auto& face = faces[static_cast<std::size_t>(m_fontKey)];
        if (!face) {
            face = std::make_unique<Face>();
            face->metrics = QFontMetricsF(m_p->font());
        }
        auto advance = face->advances.constFind(text);
        if (advance == face->advances.constEnd()) {
            advance = face->advances.insert(text, face->metrics.horizontalAdvance(text));
        }
        m_p->drawText(QPointF(cell.left() + (cell.width() - *advance) / 2,
                              cell.bottom() - face->metrics.descent()),
                      text);
    }

    // The painter's pen and the printer's face, set only when they change: glyph after glyph
    // mostly keeps both.
    void setPen(const QColor& colour) {
        if (!m_penSet || m_pen != colour) {
            m_p->setPen(colour);
            m_pen = colour;
            m_penSet = true;
        }
    }

    void setPrinterFont(const Style& style) {
        const int key = (style.fontB ? 1 : 0) | (style.fontC ? 2 : 0) |
                        (style.emphasis || style.doubleStrike ? 4 : 0);
        if (key != m_fontKey) {
            static const std::array<QFont, 8> kFaces = [] {
                std::array<QFont, 8> faces;
                for (int k = 0; k < 8; ++k) {
                    faces[static_cast<std::size_t>(k)] =
                        printerFont((k & 1) != 0, (k & 4) != 0, (k & 2) != 0);
                }
                return faces;
            }();
            m_p->setFont(kFaces[static_cast<std::size_t>(key)]);
            m_fontKey = key;
        }
    }

    void draw(const Picture& picture) {
        const int width = picture.width * picture.scaleX;
        const int height = picture.height * picture.scaleY;
        if (m_p != nullptr && m_y < kMaxPictureHeight) {
            QImage image(picture.width, picture.height, QImage::Format_Mono);
            image.setColorTable({qRgb(255, 255, 255), kInk.rgb()});
            const std::size_t rowBytes = (static_cast<std::size_t>(picture.width) + 7) / 8;
            for (int y = 0; y < picture.height; ++y) {
                std::memcpy(image.scanLine(y),
                            picture.bits.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
            }
            const int areaWidth =
                std::max(1, std::min(picture.areaWidth, kPrintableWidth - picture.left));
            const int x = kLeft + picture.left + aligned(picture.align, areaWidth, width);
            m_p->drawImage(QRect(x, m_y, width, height), image);
        }
        m_y += height;
    }

    void draw(const Symbol& symbol) {
        const bool qr = symbol.kind == Symbol::Kind::Qr;
        const int module = std::clamp(symbol.moduleSize, 1, 16);
        const std::optional<Modules> modules =
            qr ? qrModules(symbol.data, symbol.errorLevel)
               : pdf417Modules(symbol.data, symbol.errorLevel, symbol.columns);
        const QString name = qr ? QStringLiteral("QR") : QStringLiteral("PDF417");
        // A quiet zone of four modules above and below, as scanners want.
        m_y += 4 * module;
        if (!modules || modules->columns * module > kPrintableWidth) {
            if (m_p != nullptr) {
                const QRect box(kLeft, m_y, kPrintableWidth, 48);
                m_p->setPen(QPen(kGuide, 2, Qt::DashLine));
                m_p->drawRect(box);
                m_p->setFont(labelFont(true));
                m_p->drawText(
                    box, Qt::AlignCenter,
                    !modules
                        ? qtText(translate("Paper", "%1: the data cannot be encoded")).arg(name)
                        : qtText(translate("Paper", "%1 wider than the paper: not printed"))
                              .arg(name));
            }
            m_y += 48 + 4 * module;
            return;
        }
        const int rowHeight = qr ? module : module * std::max(1, symbol.rowHeight);
        const int width = modules->columns * module;
        const int x = kLeft + aligned(symbol.align, kPrintableWidth, width);
        label(m_y,
              qr ? qtText(translate("Paper", "QR code, %1 modules, module %2 dots"))
                       .arg(modules->columns)
                       .arg(module)
                 : qtText(translate("Paper", "PDF417, %1 rows of %2 modules, module %3 dots"))
                       .arg(modules->rows)
                       .arg(modules->columns)
                       .arg(module),
              kGuide);
        for (int row = 0; row < modules->rows; ++row) {
            if (m_p != nullptr) {
                drawModules(*modules, row, x, m_y, module, rowHeight);
            }
            m_y += rowHeight;
        }
        m_y += 4 * module;
    }

    // One row of modules, a run of dark modules as one rectangle.
    void drawModules(const Modules& modules, int row, int x, int y, int module, int height) {
        for (int column = 0; column < modules.columns;) {
            if (!modules.at(row, column)) {
                ++column;
                continue;
            }
            int end = column;
            while (end < modules.columns && modules.at(row, end)) {
                ++end;
            }
            m_p->fillRect(x + column * module, y, (end - column) * module, height, kInk);
            column = end;
        }
    }

    void draw(const Logo& logo) {
        const int width = std::min(kPrintableWidth, kLogoWidth * ((logo.sizeMode & 1) ? 2 : 1));
        const int height = kLogoHeight * ((logo.sizeMode & 2) ? 2 : 1);
        if (m_p != nullptr) {
            const QRect box(kLeft, m_y + 4, width, height - 8);
            m_p->fillRect(box, QColor(0xf0, 0xf0, 0xf0));
            m_p->setPen(QPen(kGuide, 2, Qt::DashLine));
            m_p->drawRect(box);
            m_p->setPen(kGuide);
            m_p->setFont(labelFont(true));
            const char* sizeName = logoSizeName(logo.sizeMode);
            const QString size =
                sizeName != nullptr ? qtText(translate("Paper", sizeName))
                                    : qtText(translate("Paper", "size mode %1")).arg(logo.sizeMode);
            m_p->drawText(
                box, Qt::AlignCenter,
                qtText(translate("Paper", "stored logo image %1\n%2")).arg(logo.image).arg(size));
        }
        m_y += height;
    }

    void draw(const BarCode& code) {
        const bool fontB = code.fontB;
        const Cell hri = fontB ? Cell{9, 17} : Cell{12, 24};
        const int hriPitch = hri.height + 2 * kBelowCell;
        const bool above =
            code.textPosition == TextPosition::Above || code.textPosition == TextPosition::Both;
        const bool below =
            code.textPosition == TextPosition::Below || code.textPosition == TextPosition::Both;
        const bool itf = countedSymbology(code.symbology) == kItf;
        // ITF is drawn element by element as it always was; the others from zint's modules.
        std::optional<std::vector<int>> elements;
        std::optional<Modules> modules;
        const int module = std::clamp(code.moduleWidth, 1, 8);
        int width = 0;
        if (itf) {
            elements = itfElements(code.data, code.moduleWidth);
            if (elements) {
                for (const int w : *elements) {
                    width += w;
                }
            }
        } else {
            modules = linearModules(code.symbology, code.data);
            if (modules) {
                width = modules->columns * module;
            }
        }
        const bool encoded = elements || modules;
        const bool drawn = encoded && width <= kPrintableWidth;
        if (!drawn) {
            width = kPrintableWidth;
        }
        const int x = kLeft + (drawn ? aligned(code.align, kPrintableWidth, width) : 0);
        const std::string text =
            isCode128(countedSymbology(code.symbology)) ? code128Text(code.data) : code.data;
        if (above) {
            drawHri(text, x, width, hri);
            m_y += hriPitch;
        }
        if (m_p != nullptr) {
            if (drawn && elements) {
                drawElements(*elements, x, code.height);
            } else if (drawn) {
                drawModules(*modules, 0, x, m_y, module, code.height);
            } else {
                drawUnprinted(code, width, itf, elements.has_value(), modules.has_value());
            }
        }
        label(m_y,
              qtText(translate("Paper", "bar code %1, %2 dots high, module %3"))
                  .arg(qtText(symbologyName(code.symbology)))
                  .arg(code.height)
                  .arg(code.moduleWidth),
              kGuide);
        m_y += code.height;
        if (below) {
            m_y += 2;
            drawHri(text, x, width, hri);
            m_y += hriPitch;
        }
    }

    // ITF's bars and spaces, `elements` their widths from the first bar.
    void drawElements(const std::vector<int>& elements, int x, int height) {
        bool bar = true;
        for (const int w : elements) {
            if (bar) {
                m_p->fillRect(x, m_y, w, height, kInk);
            }
            x += w;
            bar = !bar;
        }
    }

    // A bar code that is not printed: a dashed box across the printable width saying why.
    void drawUnprinted(const BarCode& code, int width, bool itf, bool elements, bool modules) {
        const QRect box(kLeft, m_y, width, code.height);
        m_p->setPen(QPen(kGuide, 2, Qt::DashLine));
        m_p->drawRect(box);
        m_p->setFont(labelFont(true));
        const QString name = qtText(symbologyName(code.symbology));
        QString why;
        if (itf && !elements) {
            why = qtText(translate("Paper", "ITF needs an even number of digits: not printed"));
        } else if (itf) {
            why = qtText(translate("Paper", "ITF wider than the paper: not printed"));
        } else if (!modules) {
            why = qtText(translate("Paper", "%1: the data cannot be encoded")).arg(name);
        } else {
            why = qtText(translate("Paper", "%1 wider than the paper: not printed")).arg(name);
        }
        m_p->drawText(box, Qt::AlignCenter, why);
    }

    // The bar code's human-readable characters, in font A, centred under or over the bars.
    void drawHri(const std::string& data, int left, int width, Cell cell) {
        if (m_p == nullptr) {
            return;
        }
        const QString text = QString::fromLatin1(data.data(), static_cast<qsizetype>(data.size()));
        const int textWidth = static_cast<int>(text.size()) * cell.width;
        int x = left + std::max(0, (width - textWidth) / 2);
        m_p->setPen(kInk);
        m_p->setFont(printerFont(cell.width < 12, false));
        for (const QChar c : text) {
            m_p->drawText(QRectF(x, m_y + kBelowCell, cell.width, cell.height),
                          Qt::AlignHCenter | Qt::AlignBottom, QString(c));
            x += cell.width;
        }
    }

    void draw(const Mark& mark) { drawMark(mark, m_y); }

    void drawMark(const Mark& mark, int y) {
        QColor colour = kMarkBlue;
        if (mark.kind == Mark::Kind::DrawerPulse) {
            colour = kMarkBrown;
        } else if (mark.kind == Mark::Kind::Unknown || mark.kind == Mark::Kind::Truncated ||
                   mark.kind == Mark::Kind::NotDrawn) {
            colour = kMarkRed;
        }
        if (m_p != nullptr) {
            m_p->fillRect(kPaperWidth - 10, y - 1, 10, 3, colour);
        }
        label(y, qtText(mark.text), colour);
    }

    void drawCut(int y) {
        if (m_p == nullptr) {
            return;
        }
        if (m_page.cut == Cut::None) {
            m_p->setPen(QPen(kGuide, 1, Qt::DotLine));
            m_p->drawLine(0, y, kPaperWidth, y);
        } else {
            m_p->setPen(QPen(kInk, 2, Qt::DashLine));
            if (m_page.cut == Cut::Partial) {
                // One point in the middle is left uncut.
                m_p->drawLine(0, y, kPaperWidth / 2 - 8, y);
                m_p->drawLine(kPaperWidth / 2 + 8, y, kPaperWidth, y);
            } else {
                m_p->drawLine(0, y, kPaperWidth, y);
            }
        }
    }

    // Writes into the margin at height y, or below the last writing where that reaches further.
    void label(int y, const QString& text, const QColor& colour, bool bold = false) {
        const QFont font = labelFont(bold);
        const QFontMetrics metrics(font);
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, kMarginWidth - 16, 10000), Qt::TextWordWrap, text);
        const int top = std::max(y, m_labelY);
        if (m_p != nullptr) {
            m_p->setPen(colour);
            m_p->setFont(font);
            m_p->drawText(QRect(kPaperWidth + 10, top, kMarginWidth - 16, bounds.height()),
                          Qt::TextWordWrap, text);
        }
        m_labelY = top + bounds.height() + 2;
    }

    const Page& m_page;
    QString m_caption;
    QPainter* m_p = nullptr;
    int m_fontKey = -1;  // the printer's face the painter has, -1 for another
    QColor m_pen;
    bool m_penSet = false;
    int m_y = 0;
    int m_labelY = 0;  // the margin's writing reaches down to here
};

}  // namespace

QFont printerFont(bool fontB, bool emphasis, bool fontC) {
    // A gothic face with Hangul and Latin letters of half a Hangul's width, so that both fill
    // their cells as the printer's own characters do.
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothicCoding"), QStringLiteral("NanumGothic"),
                      QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans Mono CJK KR")});
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(fontC ? 16 : fontB ? 17 : 24);
    font.setBold(emphasis);
    return font;
}

namespace {

void putBigEndian(std::string& out, std::uint32_t n) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((n >> shift) & 0xFF));
    }
}

bool writeChunk(QIODevice& out, const char* type, const unsigned char* data, std::size_t size) {
    std::string chunk;
    putBigEndian(chunk, static_cast<std::uint32_t>(size));
    chunk.append(type, 4);
    chunk.append(reinterpret_cast<const char*>(data), size);
    const auto* typed = reinterpret_cast<const Bytef*>(chunk.data() + 4);
    putBigEndian(chunk, static_cast<std::uint32_t>(crc32(0, typed, static_cast<uInt>(size + 4))));
    return out.write(chunk.data(), static_cast<qint64>(chunk.size())) ==
           static_cast<qint64>(chunk.size());
}

// What one pass over a picture's rows finds before it is written.
struct RowSurvey {
    // A page in greys only (most are: black print, grey writing beside it) is written a byte a
    // dot rather than three.
    bool grey = true;
    // Rows that repeat the row above, like most of a page, are found once.
    std::vector<bool> repeats;
};

RowSurvey surveyRows(const QImage& rgb) {
    const int width = rgb.width();
    const int height = rgb.height();
    RowSurvey survey;
    survey.repeats.assign(static_cast<std::size_t>(std::max(height, 0)), false);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        if (y > 0 && std::memcmp(line, rgb.constScanLine(y - 1),
                                 static_cast<std::size_t>(width) * sizeof(QRgb)) == 0) {
            survey.repeats[static_cast<std::size_t>(y)] = true;
            continue;
        }
        if (!survey.grey) {
            continue;
        }
        // Red against green and green against blue, for the whole row at once.
        std::uint32_t differs = 0;
        for (int x = 0; x < width; ++x) {
            differs |= ((line[x] >> 8) ^ line[x]) & 0xFFFFu;
        }
        survey.grey = differs == 0;
    }
    return survey;
}

// The PNG signature and the header chunk: 8 bits, grey or RGB, deflate, filters, no interlace.
bool writeHeader(QIODevice& out, int width, int height, bool grey) {
    static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (out.write(reinterpret_cast<const char*>(kSignature), sizeof kSignature) !=
        static_cast<qint64>(sizeof kSignature)) {
        return false;
    }
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string(grey ? "\x08\x00\x00\x00\x00" : "\x08\x02\x00\x00\x00", 5);
    return writeChunk(out, "IHDR", reinterpret_cast<const unsigned char*>(header.data()),
                      header.size());
}

// Row y as PNG stores it: the filter type, then each byte less the byte above it ("up"; the
// first row has none above and is stored as it is). A repeated row is all zeros.
void filterRow(const QImage& rgb, int y, const RowSurvey& survey, std::vector<unsigned char>& row) {
    const int width = rgb.width();
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    const auto* above = y > 0 ? reinterpret_cast<const QRgb*>(rgb.constScanLine(y - 1)) : nullptr;
    row[0] = above != nullptr ? 2 : 0;
    unsigned char* to = row.data() + 1;
    if (survey.repeats[static_cast<std::size_t>(y)]) {
        std::memset(to, 0, row.size() - 1);
    } else if (survey.grey) {
        for (int x = 0; x < width; ++x) {
            *to++ = static_cast<unsigned char>(line[x] - (above != nullptr ? above[x] : 0));
        }
    } else {
        for (int x = 0; x < width; ++x) {
            const QRgb up = above != nullptr ? above[x] : 0;
            *to++ = static_cast<unsigned char>(qRed(line[x]) - qRed(up));
            *to++ = static_cast<unsigned char>(qGreen(line[x]) - qGreen(up));
            *to++ = static_cast<unsigned char>(qBlue(line[x]) - qBlue(up));
        }
    }
}

// The filtered rows through zlib's fastest level, written as IDAT chunks a part at a time.
bool writeImageData(QIODevice& out, const QImage& rgb, const RowSurvey& survey) {
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) {
        return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(rgb.width()) * (survey.grey ? 1 : 3);
    std::vector<unsigned char> row(rowBytes + 1);
    std::vector<unsigned char> part(256 * 1024);
    bool ok = true;
    const auto drain = [&](int flush) {
        do {
            z.next_out = part.data();
            z.avail_out = static_cast<uInt>(part.size());
            deflate(&z, flush);
            const std::size_t produced = part.size() - z.avail_out;
            if (produced > 0 && !writeChunk(out, "IDAT", part.data(), produced)) {
                ok = false;
            }
        } while (z.avail_out == 0 && ok);
    };
    for (int y = 0; y < rgb.height() && ok; ++y) {
        filterRow(rgb, y, survey, row);
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        drain(Z_NO_FLUSH);
    }
    if (ok) {
        drain(Z_FINISH);
    }
    deflateEnd(&z);
    return ok;
}

}  // namespace

bool writePng(const QImage& image, QIODevice& out) {
    // Written here rather than by Qt's PNG writer, which has libpng try every row filter on
    // every row: that took three quarters of --render's time. Each row here is filtered by the
    // row above it ("up"), which suits paper, mostly white and ruled across; zlib's fastest level
    // then keeps the file about as small.
    const QImage rgb = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    const RowSurvey survey = surveyRows(rgb);
    return writeHeader(out, rgb.width(), rgb.height(), survey.grey) &&
           writeImageData(out, rgb, survey) && writeChunk(out, "IEND", nullptr, 0);
}

bool writePng(const QImage& image, const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && writePng(image, file) &&
           file.flush();
}

QImage renderPage(const Page& page, const QString& caption) {
    PagePainter measure(page, caption);
    const int height = measure.run(nullptr);
    const bool cutShort = height > kMaxPictureHeight;
    QImage image(kPaperWidth + kMarginWidth, std::min(height, kMaxPictureHeight),
                 QImage::Format_RGB32);
    image.fill(kOutside);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PagePainter paint(page, caption);
    painter.fillRect(0, 0, kPaperWidth, measure.paperEnd(), Qt::white);
    paint.run(&painter);
    if (cutShort) {
        // The rest is not drawn; the foot of the picture says so.
        constexpr int kNote = 48;
        const QRect note(0, kMaxPictureHeight - kNote, kPaperWidth + kMarginWidth, kNote);
        painter.fillRect(note, kOutside);
        painter.setPen(kInk);
        painter.setFont(labelFont(true));
        painter.drawText(note, Qt::AlignCenter | Qt::TextWordWrap,
                         qtText(translate("Paper",
                                          "picture cut short here: the page is %1 dots long, "
                                          "the first %2 are drawn"))
                             .arg(height)
                             .arg(kMaxPictureHeight));
    }
    return image;
}

QString pageCaption(const Page& page, int number) {
    QStringList parts{qtText(translate("Paper", "page %1")).arg(number)};
    for (const std::string& source : page.sources) {
        parts << qtText(source);
    }
    if (page.epson) {
        parts << qtText(translate("Paper", "EPSON mode"));
    }
    if (page.cbm) {
        parts << qtText(translate("Paper", "CBM mode"));
    }
    switch (page.cut) {
        case Cut::Partial: parts << qtText(translate("Paper", "partial cut")); break;
        case Cut::Full: parts << qtText(translate("Paper", "full cut")); break;
        case Cut::None:
            parts << (page.torn ? qtText(translate("Paper",
                                                   "torn off uncut: a page longer than %1 lines"))
                                      .arg(PageBuilder::kMaxElements)
                                : qtText(translate("Paper", "not cut yet")));
            break;
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace mpt::printer
