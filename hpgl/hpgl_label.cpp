// Labels (LB): every character is drawn with the stroke fonts and becomes
// pen-up moves and paths like any other drawing.
#include <climits>
#include <cmath>

#include "app/helpers.h"
#include "app/settings.h"
#include "hpgl/hpgl_file.h"

namespace {
constexpr double PI = 3.14159265359;

// A label point beyond 32-bit coordinates is refused like such a coordinate.
int CheckedCoord(double v)
{
    if (!(v >= -2147483648.0 && v <= 2147483647.0))
        throw HpglInvalidArgument("label drawn beyond the coordinate range");
    return static_cast<int>(v);
}

// RoundHalfAway before any conversion to int.
double HalfAway(double v)
{
    return v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5);
}

int8_t Signed(unsigned char b)
{
    return static_cast<int8_t>(b);
}
}  // namespace

void CHpglFile::LoadFonts()
{
    m_fonts = vexa::LoadStrokeFonts(g_settings.m_enFontPath, g_settings.m_hzFontPath);
    m_enHeader1 = m_fonts->m_enHeader1;
    m_enHeader2 = m_fonts->m_enHeader2;
    m_enHeader3 = m_fonts->m_enHeader3;
    m_hzHeader1 = m_fonts->m_hzHeader1;
    m_hzHeader2 = m_fonts->m_hzHeader2;
}

void CHpglFile::ExecuteLabel()
{
    ++m_labelCount;
    const size_t length = std::min(m_labelText.size(), LABEL_LINE_MAX);
    const auto* text = reinterpret_cast<const unsigned char*>(m_labelText.data());
    const int lineStep = RoundHalfUp(m_charHeight * 400);
    // Whole numbers far inside a double's exact range, so y stays exact.
    double y = m_penY;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && text[i] != '\r' && text[i] != '\n')
            continue;
        if (i > start) {
            double px = m_penX;
            double py = y;
            ApplyLabelOrigin(px, py, i - start);
            int rx = 0, ry = 0;
            if (!vexa::RoundHalfUpChecked(px, rx) || !vexa::RoundHalfUpChecked(py, ry))
                throw HpglInvalidArgument("label placed beyond the coordinate range");
            DrawLabelLine(rx, ry, text + start, i - start);
        }
        // Every new line goes up in +Y whatever the direction; a CR returns
        // to the pen's x, which a label never changes.
        if (i < length && text[i] == '\n')
            y += lineStep;
        start = i + 1;
    }
}

void CHpglFile::ApplyLabelOrigin(double& x, double& y, size_t n) const
{
    const double theta = m_direction * PI / 180;
    const double dx = std::cos(theta), dy = std::sin(theta);
    const double ux = -std::sin(theta), uy = std::cos(theta);
    const double h = m_charHeight * 400;
    const double w = m_charWidth * 400;
    const double len = static_cast<double>(n);
    double a = 0, b = 1;  // along the text in w, upward in h
    switch (m_labelOrigin) {
    case 1: a = 0; b = 1; break;
    case 2: a = 0; b = 0.5; break;
    case 3: a = 0; b = 0; break;
    case 4: a = -len / 2; b = 1; break;
    case 5: a = -len / 2; b = 0.5; break;
    case 6: a = -len / 2; b = 0; break;
    case 7: a = -len; b = 1; break;
    case 8: a = -len; b = 0.5; break;
    case 9: a = -len; b = 0; break;
    case 11: a = 0.25; b = 1.25; break;
    case 12: a = 0.25; b = 0.5; break;
    case 13: a = 0.25; b = -0.25; break;
    case 14: a = -len / 2; b = 1.25; break;
    case 15: a = -len / 2; b = 0.5; break;
    case 16: a = -len / 2; b = -0.25; break;
    case 17: a = -len - 0.25; b = 1.25; break;
    case 18: a = -len - 0.25; b = 0.5; break;
    case 19: a = -len - 0.25; b = -0.25; break;
    default: break;
    }
    x += a * w * dx + b * h * ux;
    y += a * w * dy + b * h * uy;
}

void CHpglFile::DrawLabelLine(int x, int y, const unsigned char* text, size_t length)
{
    const vexa::StrokeFonts& fonts = *m_fonts;
    const int64_t cjkK = int64_t{m_enHeader1} + m_enHeader2;
    const int64_t cjkAdvance = cjkK * m_hzHeader1;
    const int64_t missingLatin = fonts.m_enGlyphs.empty() ? 0 : int64_t{fonts.m_enGlyphs[0].m_width} * m_hzHeader2;
    int64_t advance = 0;
    for (size_t i = 0; i < length; ++i) {
        // A lead byte without its trail byte is looked up as a Latin code.
        if (text[i] < 0x80 || i + 1 == length) {
            const CCharactor* c = vexa::StrokeFonts::Find(fonts.m_enGlyphs, text[i]);
            if (c && c->m_length != 0) {
                DrawGlyph(x, y, fonts.Stream(fonts.m_enBytes, *c), advance, 0, m_hzHeader2, m_direction);
                advance += int64_t{c->m_width} * m_hzHeader2;
            } else {
                advance += missingLatin;
            }
        } else {
            const auto code = static_cast<uint16_t>(text[i] << 8 | text[i + 1]);
            ++i;
            const CCharactor* c = vexa::StrokeFonts::Find(fonts.m_hzGlyphs, code);
            if (c && c->m_length != 0)
                DrawGlyph(x, y, fonts.Stream(fonts.m_hzBytes, *c), advance, 0, static_cast<int>(cjkK), m_direction);
            advance += cjkAdvance;
        }
    }
}

void CHpglFile::DrawGlyph(int x, int y, std::span<const unsigned char> stream, int64_t gx, int64_t gy, int k,
                          double direction)
{
    const double cell = static_cast<double>((int64_t{m_enHeader1} + m_enHeader2) * m_hzHeader2);
    const double s = cell / (m_charHeight * 400);
    const double theta = direction * PI / 180;
    const double cosT = std::cos(theta), sinT = std::sin(theta);
    bool penDown = true;
    bool skip = false;

    // The glyph point (gx, gy) on paper: the cell's top edge passes through (x, y).
    auto emit = [&](bool lineTo) {
        const double gxd = static_cast<double>(gx);
        const double up = static_cast<double>(gy) - cell;
        const int px = CheckedCoord(x + HalfAway((gxd * cosT - up * sinT) / s));
        const int py = CheckedCoord(y + HalfAway((gxd * sinT + up * cosT) / s));
        if (lineTo)
            StrokeLineTo(px, py);
        else
            StrokeMoveTo(px, py);
    };
    auto moveBy = [&](int64_t dx, int64_t dy) {
        gx += dx;
        gy += dy;
        emit(penDown);
    };

    emit(false);  // the glyph's origin; the pen stays down

    const size_t n = stream.size();
    size_t i = 0;
    auto need = [&](size_t count) {
        if (i + count > n)
            throw HpglFontError("a glyph's strokes run past its length: damaged stroke font");
    };
    while (i < n) {
        const unsigned char b = stream[i++];
        switch (b) {
        case 0:
            break;
        case 1:
            penDown = true;
            break;
        case 2:
            penDown = false;
            break;
        case 3:
        case 4:
            need(1);
            ++i;
            skip = false;
            break;
        case 8: {
            need(2);
            const int64_t dx = Signed(stream[i]) * int64_t{k}, dy = Signed(stream[i + 1]) * int64_t{k};
            i += 2;
            if (skip)
                skip = false;
            else
                moveBy(dx, dy);
            break;
        }
        case 9: {
            const bool skipped = skip;
            skip = false;
            for (;;) {
                need(2);
                const int8_t dx = Signed(stream[i]), dy = Signed(stream[i + 1]);
                i += 2;
                if (dx == 0 && dy == 0)
                    break;
                if (!skipped)
                    moveBy(dx * int64_t{k}, dy * int64_t{k});
            }
            break;
        }
        case 14:
            skip = true;
            break;
        case 5:
        case 6:
        case 7:
        case 10:
        case 11:
        case 12:
        case 13:
            break;  // not part of the format; ignored so that a glyph still draws
        default: {
            if (skip) {
                skip = false;
                break;
            }
            const int64_t L = ((b >> 4) * int64_t{k}) & 0xFFFF;
            const int64_t half = L >> 1;
            static constexpr int8_t kSteps[16][2][2] = {
                // {x: L factor, half factor}, {y: L factor, half factor}
                {{1, 0}, {0, 0}},   {{1, 0}, {0, 1}},   {{1, 0}, {1, 0}},   {{0, 1}, {1, 0}},
                {{0, 0}, {1, 0}},   {{0, -1}, {1, 0}},  {{-1, 0}, {1, 0}},  {{-1, 0}, {0, 1}},
                {{-1, 0}, {0, 0}},  {{-1, 0}, {0, -1}}, {{-1, 0}, {-1, 0}}, {{0, -1}, {-1, 0}},
                {{0, 0}, {-1, 0}},  {{0, 1}, {-1, 0}},  {{1, 0}, {-1, 0}},  {{1, 0}, {0, -1}},
            };
            const auto& st = kSteps[b & 0x0F];
            moveBy(st[0][0] * L + st[0][1] * half, st[1][0] * L + st[1][1] * half);
            break;
        }
        }
    }
}

void CHpglFile::StrokeMoveTo(int x, int y)
{
    m_strokeX = x;
    m_strokeY = y;
    // One past the point, so that the next line starts a new path.
    m_lastX = static_cast<int>(static_cast<uint32_t>(x) + 1u);
    m_lastY = y;
}

void CHpglFile::StrokeLineTo(int x, int y)
{
    const bool continues = m_strokeX == m_lastX && m_strokeY == m_lastY && m_strokeX > 0 && m_strokeY > 0
                           && !m_records.empty() && m_records.back().m_kind == HPGL_PEN_DOWN_PATH;
    if (!continues) {
        AddRecord(HPGL_PEN_UP_MOVE, {m_strokeX, m_strokeY});
        m_records.push_back({HPGL_PEN_DOWN_PATH, 0, m_values.size()});
        ++m_labelStrokeCount;
    }
    m_values.push_back(x);
    m_values.push_back(y);
    m_records.back().m_count += 2;
    m_strokeX = m_lastX = x;
    m_strokeY = m_lastY = y;
}
