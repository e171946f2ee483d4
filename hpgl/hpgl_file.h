#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "hpgl/hpgl_number.h"
#include "hpgl/stroke_font.h"

class COnePage;

constexpr size_t MIN_HPGL_FILE_SIZE = 10;
constexpr size_t MAX_HPGL_FILE_SIZE = 8000000;
constexpr size_t LABEL_LINE_MAX = 512;

// Results of CHpglFile::Read.
enum : int {
    HPGL_OK = 0,
    HPGL_CANNOT_OPEN = 1,
    HPGL_BAD_SIZE = -2,
    HPGL_NUMBER_AFTER_DF = -3,
};

enum HpglRecordKind : uint8_t {
    HPGL_PEN_UP_MOVE,   // x, y: where a path starts
    HPGL_PEN_DOWN_PATH, // x0, y0, x1, y1, ...
    HPGL_PAGE_ADVANCE,  // none
    HPGL_LINE_TYPE,     // one value or none
    HPGL_PEN_SELECT,    // the pen number
};

// A drawing record. Its values live in the reader's value pool, so millions
// of records cost no allocation each.
struct HpglRecord {
    HpglRecordKind m_kind;
    uint32_t m_count;  // number of values
    size_t m_first;    // index of the first value in the pool
};

// Raised out of Read for parameters the reader cannot accept: an odd number
// of coordinates for a drawn path, or a coordinate beyond 32 bits.
class HpglInvalidArgument : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct HpglInstruction {
    char m_mnemonic[3] = {0, 0, 0};
    std::vector<double> m_params;
};

// Reads one HP-GL file into drawing records (Read) and turns them into the
// curves of one job (FillPage).
class CHpglFile {
public:
    CHpglFile() = default;
    CHpglFile(const CHpglFile&) = delete;
    CHpglFile& operator=(const CHpglFile&) = delete;
    virtual ~CHpglFile() = default;

    // Reads m_path. Returns HPGL_OK, HPGL_CANNOT_OPEN, HPGL_BAD_SIZE or
    // HPGL_NUMBER_AFTER_DF; throws HpglInvalidArgument.
    int Read();
    // The same for bytes already in memory (m_fileName is set to name).
    int ReadBuffer(std::string_view bytes, std::string_view name);
    // Appends the curves of the records to the page and sets its file name.
    void FillPage(COnePage& page) const;
    void Reset();

    size_t RecordCount() const { return m_records.size(); }
    const HpglRecord& Record(size_t i) const { return m_records[i]; }
    std::span<const int32_t> Values(const HpglRecord& r) const
    {
        return {m_values.data() + r.m_first, r.m_count};
    }
    size_t LabelCount() const { return m_labelCount; }
    // Paths drawn by labels.
    size_t LabelStrokeCount() const { return m_labelStrokeCount; }

    // Reads the glyph indexes of both stroke fonts (g_settings.m_enFontPath
    // and m_hzFontPath). Throws HpglFontError.
    void LoadFonts();

    std::string m_path;
    std::string m_fileName;
    int m_penX = 0;
    int m_penY = 0;
    char m_terminator = 0x03;
    unsigned char m_terminatorMode = 1;
    std::string m_labelText;
    double m_direction = 0.0;
    double m_charHeight = 0.375;
    double m_charWidth = 0.285;
    int m_labelOrigin = 1;
    int m_penDown = 0;
    int m_enHeader1 = 0;
    int m_enHeader2 = 0;
    int m_enHeader3 = 0;
    int m_hzHeader1 = 0;
    int m_hzHeader2 = 0;
    int m_strokeX = 0;
    int m_strokeY = 0;
    int m_lastX = 0;
    int m_lastY = 0;

private:
    enum State : uint8_t {
        ST_NAME,
        ST_ESCAPE,
        ST_NUMBERS,
        ST_NO_PARAMS,
        ST_LABEL,
        ST_LABEL_TERMINATOR,   // terminator seen, "L" of a continuing LB may follow
        ST_LABEL_TERMINATOR_L, // terminator and "L" seen
        ST_DT_FIRST,
        ST_DT_TERMINATOR_READ,
        ST_DT_COMMA_READ,
        ST_STOPPED,
    };

    void BeginRead();
    // Feeds one block; returns false once Read must stop with HPGL_NUMBER_AFTER_DF.
    bool Feed(const unsigned char* data, size_t n);
    void Finish();
    void FeedByte(unsigned char c);
    void NameByte(unsigned char c);
    void StartInstruction(char second);
    void EndNumber();
    void Execute();
    void FinishLabel(bool terminatorSeen);
    void ExecuteLabel();
    void ResetLabelState();

    // Label drawing with the stroke fonts.
    void ApplyLabelOrigin(double& x, double& y, size_t n) const;
    void DrawLabelLine(int x, int y, const unsigned char* text, size_t length);
    void DrawGlyph(int x, int y, std::span<const unsigned char> stream, int64_t gx, int64_t gy, int k,
                   double direction);
    void StrokeMoveTo(int x, int y);
    void StrokeLineTo(int x, int y);

    int Coord(double v) const;
    void AddRecord(HpglRecordKind kind, std::initializer_list<int32_t> values);
    void MoveTo(const std::vector<double>& p);
    void DrawPath(const std::vector<double>& p);

    std::vector<HpglRecord> m_records;
    std::vector<int32_t> m_values;
    HpglInstruction m_instruction;
    vexa::HpglNumber m_number;
    State m_state = ST_NAME;
    char m_pendingLetter = 0;
    int m_escapeLeft = 0;
    bool m_executed = true;  // the instruction in progress has run
    size_t m_offset = 0;     // bytes fed so far, for messages
    size_t m_labelCount = 0;
    size_t m_labelStrokeCount = 0;
    std::shared_ptr<const vexa::StrokeFonts> m_fonts;
};
