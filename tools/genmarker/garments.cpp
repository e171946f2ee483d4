#include "garments.h"

#include <utility>

namespace genmarker {

namespace {

// GB2312 names of the pieces (kept apart from following text: a hex escape would swallow it).
const char* const kGbFront = "\xC7\xB0\xC6\xAC";              // 前片
const char* const kGbBack = "\xBA\xF3\xC6\xAC";               // 后片
const char* const kGbYoke = "\xD3\xFD\xBF\xCB";               // 育克
const char* const kGbSleeve = "\xD0\xE4\xD7\xD3";             // 袖子
const char* const kGbCollar = "\xC1\xEC\xD7\xD3";             // 领子
const char* const kGbStand = "\xC1\xEC\xD7\xF9";              // 领座
const char* const kGbCuff = "\xD0\xE4\xBF\xDA";               // 袖口
const char* const kGbPocket = "\xBF\xDA\xB4\xFC";             // 口袋
const char* const kGbPlacket = "\xD0\xE4\xF1\xC3\xCC\xF5";    // 袖衩条
const char* const kGbNeckband = "\xC1\xEC\xCC\xF5";           // 领条
const char* const kGbFrontLeg = "\xC7\xB0\xBF\xE3\xC6\xAC";   // 前裤片
const char* const kGbBackLeg = "\xBA\xF3\xBF\xE3\xC6\xAC";    // 后裤片
const char* const kGbWaistband = "\xD1\xFC\xCD\xB7";          // 腰头
const char* const kGbPocketBag = "\xB4\xFC\xB2\xBC";          // 袋布
const char* const kGbSkirtFront = "\xC7\xB0\xC8\xB9\xC6\xAC"; // 前裙片
const char* const kGbSkirtBack = "\xBA\xF3\xC8\xB9\xC6\xAC";  // 后裙片
const char* const kGbBodiceFront = "\xC7\xB0\xD2\xC2\xC6\xAC"; // 前衣片
const char* const kGbBodiceBack = "\xBA\xF3\xD2\xC2\xC6\xAC";  // 后衣片
const char* const kGbSkirtPanel = "\xC8\xB9\xC6\xAC";            // 裙片
const char* const kGbPuffSleeve = "\xC5\xDD\xC5\xDD\xD0\xE4";  // 泡泡袖
const char* const kGbRoundCollar = "\xD0\xA1\xD4\xB2\xC1\xEC"; // 小圆领
const char* const kGbCrown = "\xC3\xB1\xB6\xA5";                 // 帽顶
const char* const kGbHatSide = "\xC3\xB1\xC7\xBD";               // 帽墙
const char* const kGbBrim = "\xC3\xB1\xE9\xDC";                  // 帽檐
const char* const kGbBib = "\xCE\xA7\xB6\xB5";                   // 围兜
const char* const kGbMitten = "\xCA\xD6\xCC\xD7";                // 手套
const char* const kGbSole = "\xD0\xAC\xB5\xD7";                  // 鞋底
const char* const kGbUpper = "\xD0\xAC\xC3\xE6";                 // 鞋面

// Cubic Bezier handle length of a quarter circle, per unit radius.
constexpr double kQuarter = 0.5523;

// Grading: lengths scale with `len`, girths with `girth`, about the pattern origin.
struct Grade {
    double len = 1;
    double girth = 1;
    Vec2 operator()(double x, double y) const { return {x * len, y * girth}; }
};

struct SizeRow {
    const char* label;
    Grade grade;
};

const SizeRow kAdultSizes[] = {
    {"S", {0.97, 0.94}}, {"M", {1.00, 1.00}}, {"L", {1.03, 1.06}}, {"XL", {1.06, 1.12}}};
const SizeRow kHatSizes[] = {
    {"52", {0.93, 0.93}}, {"54", {0.97, 0.97}}, {"56", {1.00, 1.00}}, {"58", {1.04, 1.04}}};
const SizeRow kBabySizes[] = {
    {"66", {0.88, 0.88}}, {"73", {0.94, 0.94}}, {"80", {1.00, 1.00}}, {"90", {1.07, 1.07}}};
const SizeRow kKidsSizes[] = {{"90", {0.84, 0.88}},
                              {"100", {0.92, 0.94}},
                              {"110", {1.00, 1.00}},
                              {"120", {1.08, 1.06}},
                              {"130", {1.16, 1.12}}};

PatternPiece piece(const char* code, const char* gbk, Outline sew, int count, bool mirrorPairs,
                double allowance, Vec2 labelAt, std::vector<Vec2> drills = {})
{
    return {code, gbk, std::move(sew), allowance, count, mirrorPairs, labelAt, std::move(drills)};
}

// Rectangle of `lengthX` by `widthY` centred on the X axis, notches on the edge at x = 0.
Outline band(Grade g, double lengthX, double widthY, std::vector<double> notches)
{
    Outline o(g(0, 0));
    o.lineTo(g(0, widthY / 2), std::move(notches))
        .lineTo(g(lengthX, widthY / 2))
        .lineTo(g(lengthX, 0))
        .mirrorAcrossXAxis();
    return o;
}

// Ellipse with half-axes a (along X) and b, starting at its left end; notches at the ends of
// its minor axis.
Outline ellipse(Grade g, double a, double b)
{
    Outline o(g(0, 0));
    o.curveTo(g(0, kQuarter * b), g(a - kQuarter * a, b), g(a, b), {1.0})
        .curveTo(g(a + kQuarter * a, b), g(2 * a, kQuarter * b), g(2 * a, 0))
        .mirrorAcrossXAxis();
    return o;
}

// Men's shirt, base size M.
std::vector<PatternPiece> shirt(Grade g)
{
    std::vector<PatternPiece> p;

    Outline front(g(0, 0));
    front.curveTo(g(0, 110), g(25, 215), g(70, 265))
        .bowTo(g(500, 270), -8, {0.55})
        .curveTo(g(525, 222), g(610, 200), g(720, 212), {0.45})
        .lineTo(g(745, 75))
        .curveTo(g(715, 72), g(668, 45), g(665, 0))
        .close({0.5});
    p.push_back(piece("FRONT", kGbFront, std::move(front), 2, true, 10, g(330, 135),
                      {g(575, 75), g(575, 190)}));

    Outline back(g(0, 0));
    back.curveTo(g(0, 120), g(30, 230), g(75, 272))
        .bowTo(g(505, 277), -8, {0.55})
        .curveTo(g(530, 232), g(590, 214), g(640, 222), {0.6})
        .lineTo(g(650, 0), {0.85})
        .mirrorAcrossXAxis();
    p.push_back(piece("BACK", kGbBack, std::move(back), 1, false, 10, g(320, 0)));

    Outline yoke(g(0, 0));
    yoke.lineTo(g(0, 225), {0.85})
        .curveTo(g(20, 232), g(45, 236), g(62, 236))
        .lineTo(g(112, 75), {0.5})
        .curveTo(g(104, 50), g(95, 25), g(95, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("YOKE", kGbYoke, std::move(yoke), 2, false, 10, g(50, 0)));

    Outline sleeve(g(0, 0));
    sleeve.lineTo(g(0, 150), {0.3, 0.5})
        .bowTo(g(430, 225), -5)
        .curveTo(g(480, 210), g(600, 100), g(600, 0), {0.45})
        .mirrorAcrossXAxis();
    p.push_back(piece("SLEEVE", kGbSleeve, std::move(sleeve), 2, true, 10, g(260, 0)));

    Outline collar(g(0, 0));
    collar.curveTo(g(0, 80), g(5, 160), g(15, 215), {0.6})
        .lineTo(g(82, 242))
        .curveTo(g(78, 160), g(72, 60), g(70, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("COLLAR", kGbCollar, std::move(collar), 2, false, 8, g(38, 0)));

    Outline stand(g(0, 0));
    stand.curveTo(g(-2, 90), g(4, 170), g(12, 220), {0.65})
        .curveTo(g(14, 238), g(34, 240), g(38, 222))
        .curveTo(g(36, 150), g(32, 60), g(32, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("STAND", kGbStand, std::move(stand), 2, false, 8, g(17, 0)));

    Outline cuff(g(0, 0));
    cuff.lineTo(g(0, 110))
        .curveTo(g(0, 119), g(6, 125), g(15, 125))
        .lineTo(g(50, 125))
        .curveTo(g(59, 125), g(65, 119), g(65, 110))
        .lineTo(g(65, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("CUFF", kGbCuff, std::move(cuff), 4, false, 8, g(32, 0)));

    Outline pocket(g(0, 0));
    pocket.curveTo(g(0, 35), g(10, 62), g(35, 64))
        .lineTo(g(140, 64), {0.82})
        .lineTo(g(140, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("POCKET", kGbPocket, std::move(pocket), 1, false, 10, g(70, 0)));

    Outline placket(g(0, 0));
    placket.lineTo(g(0, 25)).lineTo(g(150, 25)).lineTo(g(175, 12.5)).lineTo(g(150, 0)).close();
    p.push_back(piece("PLACKET", kGbPlacket, std::move(placket), 2, true, 8, g(75, 12.5)));
    return p;
}

// Children's T-shirt, base size 110.
std::vector<PatternPiece> tee(Grade g)
{
    std::vector<PatternPiece> p;
    for (int side = 0; side < 2; ++side) {
        const bool isFront = side == 0;
        Outline body(g(0, 0));
        body.lineTo(g(0, 175))
            .bowTo(g(300, 182), -4, {0.5})
            .curveTo(g(318, 165), g(345, 140), g(400, 132), {isFront ? 0.5 : 0.6})
            .lineTo(g(412, 60));
        if (isFront)
            body.curveTo(g(392, 58), g(365, 32), g(365, 0));
        else
            body.curveTo(g(404, 45), g(396, 18), g(396, 0));
        body.mirrorAcrossXAxis();
        p.push_back(piece(isFront ? "FRONT" : "BACK", isFront ? kGbFront : kGbBack,
                          std::move(body), 1, false, 10, g(190, 0)));
    }

    Outline sleeve(g(0, 0));
    sleeve.lineTo(g(0, 122))
        .lineTo(g(100, 136))
        .curveTo(g(122, 122), g(165, 70), g(165, 0), {0.5})
        .mirrorAcrossXAxis();
    p.push_back(piece("SLEEVE", kGbSleeve, std::move(sleeve), 2, true, 10, g(70, 0)));

    p.push_back(piece("NECKBAND", kGbNeckband, band(g, 30, 360, {0.5}), 1, false, 8, g(15, 0)));
    return p;
}

// Children's shorts, base size 110.
std::vector<PatternPiece> shorts(Grade g)
{
    std::vector<PatternPiece> p;

    Outline front(g(0, 0));
    front.lineTo(g(0, 190))
        .bowTo(g(300, 200), 8, {0.6})
        .lineTo(g(322, 198))
        .lineTo(g(326, 35), {0.5})
        .lineTo(g(210, 30))
        .curveTo(g(180, 30), g(162, 10), g(160, -30), {0.5})
        .curveTo(g(110, -25), g(40, -5), g(0, 0), {0.5});
    p.push_back(piece("FRONT", kGbFrontLeg, std::move(front), 2, true, 10, g(150, 100)));

    Outline back(g(0, 0));
    back.lineTo(g(0, 200))
        .bowTo(g(300, 215), 8, {0.6})
        .lineTo(g(335, 210))
        .lineTo(g(346, 40), {0.45})
        .lineTo(g(220, 28))
        .curveTo(g(185, 25), g(168, 0), g(165, -55), {0.45, 0.55})
        .curveTo(g(115, -45), g(40, -8), g(0, 0), {0.5});
    p.push_back(piece("BACK", kGbBackLeg, std::move(back), 2, true, 10, g(150, 110),
                      {g(300, 120)}));

    p.push_back(piece("WAISTBAND", kGbWaistband, band(g, 60, 620, {0.25, 0.75}), 1, false, 8,
                      g(30, 0)));

    Outline bag(g(200, 0));
    bag.lineTo(g(200, 150), {0.3})
        .lineTo(g(120, 160))
        .curveTo(g(40, 165), g(0, 130), g(0, 80))
        .curveTo(g(0, 30), g(30, 0), g(80, 0))
        .close();
    p.push_back(piece("BAG", kGbPocketBag, std::move(bag), 2, true, 8, g(100, 80)));
    return p;
}

// Women's A-line skirt, base size M.
std::vector<PatternPiece> skirt(Grade g)
{
    std::vector<PatternPiece> p;
    for (int side = 0; side < 2; ++side) {
        const bool isFront = side == 0;
        const double waistAtCentre = isFront ? 580 : 572;
        Outline half(g(0, 0));
        half.curveTo(g(2, 120), g(8, 240), g(15, 330))
            .bowTo(g(400, 252), 5, {0.5})
            .curveTo(g(480, 232), g(550, 206), g(590, 192))
            .curveTo(g(592, 120), g(waistAtCentre + 2, 50), g(waistAtCentre, 0), {0.35, 0.45})
            .mirrorAcrossXAxis();
        p.push_back(piece(isFront ? "FRONT" : "BACK", isFront ? kGbSkirtFront : kGbSkirtBack,
                          std::move(half), 1, false, 10, g(300, 0),
                          {g(480, 95), g(480, -95)}));
    }
    p.push_back(piece("WAISTBAND", kGbWaistband, band(g, 35, 720, {0.5}), 1, false, 8,
                      g(17, 0)));
    return p;
}

// Girl's dress with a Peter Pan collar, base size 110.
std::vector<PatternPiece> dress(Grade g)
{
    std::vector<PatternPiece> p;

    Outline front(g(0, 0));
    front.lineTo(g(0, 150), {0.6})
        .lineTo(g(110, 155))
        .curveTo(g(125, 135), g(140, 116), g(175, 110), {0.5})
        .lineTo(g(188, 55))
        .curveTo(g(170, 52), g(140, 35), g(140, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("BODICE F", kGbBodiceFront, std::move(front), 1, false, 10, g(70, 0)));

    Outline back(g(0, 0));
    back.lineTo(g(0, 160), {0.6})
        .lineTo(g(110, 165))
        .curveTo(g(126, 140), g(142, 118), g(178, 114), {0.45, 0.55})
        .lineTo(g(190, 58))
        .curveTo(g(186, 32), g(181, 12), g(178, 0))
        .close({0.3, 0.6});
    p.push_back(piece("BODICE B", kGbBodiceBack, std::move(back), 2, true, 10, g(80, 75)));

    Outline skirtPanel(g(0, 0));
    skirtPanel.curveTo(g(0, 110), g(3, 200), g(8, 280))
        .bowTo(g(330, 270), 4, {0.5})
        .lineTo(g(336, 0), {0.5})
        .mirrorAcrossXAxis();
    p.push_back(piece("SKIRT", kGbSkirtPanel, std::move(skirtPanel), 2, false, 10, g(160, 0)));

    Outline sleeve(g(0, 0));
    sleeve.lineTo(g(0, 112))
        .lineTo(g(60, 140))
        .curveTo(g(95, 140), g(155, 95), g(158, 0), {0.35, 0.7})
        .mirrorAcrossXAxis();
    p.push_back(piece("SLEEVE", kGbPuffSleeve, std::move(sleeve), 2, true, 10, g(60, 0)));

    // Quarter rings about (0, 100): the neck edge of radius 100, the outer edge of radius 145.
    const double r = 100, outer = 145;
    Outline collar(g(0, 0));
    collar.curveTo(g(kQuarter * r, 0), g(r, r - kQuarter * r), g(r, r), {0.5})
        .curveTo(g(r, r + 35), g(outer, r + 35), g(outer, r))
        .curveTo(g(outer, r - kQuarter * outer), g(kQuarter * outer, r - outer), g(0, r - outer))
        .close();
    p.push_back(piece("COLLAR", kGbRoundCollar, std::move(collar), 4, true, 8, g(82, 12)));
    return p;
}

// Bucket hat, base head size 56.
std::vector<PatternPiece> hat(Grade g)
{
    std::vector<PatternPiece> p;

    p.push_back(piece("CROWN", kGbCrown, ellipse(g, 95, 85), 2, false, 8, g(95, 0)));

    Outline side(g(0, 0));
    side.curveTo(g(0, 60), g(8, 120), g(22, 165), {0.5})
        .lineTo(g(85, 150))
        .curveTo(g(72, 105), g(66, 55), g(65, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("SIDE", kGbHatSide, std::move(side), 4, false, 8, g(38, 0)));

    Outline brim(g(0, 0));
    brim.curveTo(g(0, 90), g(20, 175), g(55, 240))
        .lineTo(g(120, 205))
        .curveTo(g(95, 150), g(80, 80), g(80, 0), {0.5})
        .mirrorAcrossXAxis();
    p.push_back(piece("BRIM", kGbBrim, std::move(brim), 4, false, 8, g(40, 0)));
    return p;
}

// Baby set: bib, mittens and booties, base size 80.
std::vector<PatternPiece> babySet(Grade g)
{
    std::vector<PatternPiece> p;

    Outline bib(g(0, 0));
    bib.curveTo(g(0, 70), g(55, 110), g(130, 110))
        .curveTo(g(190, 110), g(230, 95), g(230, 60))
        .curveTo(g(230, 45), g(220, 38), g(210, 40))
        .curveTo(g(185, 45), g(162, 35), g(160, 0), {0.5})
        .mirrorAcrossXAxis();
    p.push_back(piece("BIB", kGbBib, std::move(bib), 2, false, 8, g(80, 0)));

    Outline mitten(g(0, 0));
    mitten.lineTo(g(0, 55), {0.5})
        .bowTo(g(90, 58), 3, {0.4})
        .curveTo(g(120, 58), g(135, 30), g(135, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("MITTEN", kGbMitten, std::move(mitten), 4, true, 8, g(60, 0)));

    p.push_back(piece("SOLE", kGbSole, ellipse(g, 55, 30), 4, true, 8, g(55, 0)));

    Outline upper(g(0, 0));
    upper.curveTo(g(0, 50), g(10, 100), g(30, 140), {0.5})
        .lineTo(g(75, 125))
        .curveTo(g(60, 90), g(55, 45), g(55, 0))
        .mirrorAcrossXAxis();
    p.push_back(piece("UPPER", kGbUpper, std::move(upper), 4, true, 8, g(30, 0)));
    return p;
}

enum class Sizing { Adult, Kids, Hat, Baby };

struct Style {
    const char* number;
    Sizing sizing;
    std::vector<PatternPiece> (*pieces)(Grade);
    unsigned weight; // share in the cutting order, in percent
};

const Style kStyles[] = {
    {"2026-001", Sizing::Adult, shirt, 10},
    {"2026-002", Sizing::Kids, tee, 10},
    {"2026-003", Sizing::Kids, shorts, 10},
    {"2026-004", Sizing::Adult, skirt, 5},
    {"2026-005", Sizing::Kids, dress, 15},
    {"2026-006", Sizing::Hat, hat, 20},
    {"2026-007", Sizing::Baby, babySet, 30},
};

const SizeRow& sizeFor(Sizing sizing, Rng& rng)
{
    switch (sizing) {
    case Sizing::Kids:
        return kKidsSizes[rng.below(std::size(kKidsSizes))];
    case Sizing::Hat:
        return kHatSizes[rng.below(std::size(kHatSizes))];
    case Sizing::Baby:
        return kBabySizes[rng.below(std::size(kBabySizes))];
    case Sizing::Adult:
        break;
    }
    return kAdultSizes[rng.below(std::size(kAdultSizes))];
}

} // namespace

int styleCount() { return static_cast<int>(std::size(kStyles)); }

int drawStyle(Rng& rng)
{
    unsigned roll = rng.below(100);
    for (int i = 0; i < styleCount(); ++i) {
        if (roll < kStyles[i].weight)
            return i;
        roll -= kStyles[i].weight;
    }
    return 0;
}

Garment makeGarment(int style, Rng& rng)
{
    const Style& s = kStyles[style];
    const SizeRow& size = sizeFor(s.sizing, rng);
    return {s.number, size.label, s.pieces(size.grade)};
}

} // namespace genmarker
