#include "hpgl/hpgl_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/helpers.h"
#include "model/one_page.h"

namespace {
constexpr unsigned char ESC = 0x1B;
constexpr size_t READ_BLOCK = 1000;

constexpr uint16_t Mnemonic(char a, char b)
{
    return static_cast<uint16_t>((static_cast<unsigned char>(a) << 8) | static_cast<unsigned char>(b));
}

inline bool IsLetter(unsigned char c)
{
    return IsAsciiLetter(static_cast<char>(c)) != 0;
}

inline char Upper(unsigned char c)
{
    return static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
}

// A record's x shifted behind earlier frames; saturates rather than wraps.
inline int32_t Shift(int32_t x, int64_t offset)
{
    return static_cast<int32_t>(std::clamp<int64_t>(x + offset, INT32_MIN, INT32_MAX));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};
}  // namespace

void CHpglFile::Reset()
{
    m_charHeight = 0.375;
    m_charWidth = 0.285;
    m_penX = 0;
    m_penY = 0;
    m_penDown = 0;
    m_terminator = 0x03;
    m_terminatorMode = 1;
    m_direction = 0.0;
    m_labelOrigin = 1;
    m_records.clear();
    m_values.clear();
    m_labelCount = 0;
    m_labelStrokeCount = 0;
}

int CHpglFile::Read()
{
    // Non-blocking so that a FIFO put in place of a file cannot hang the open.
    FileDescriptor fd(open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return HPGL_CANNOT_OPEN;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return HPGL_CANNOT_OPEN;
    const size_t slash = m_path.find_last_of('/');
    m_fileName = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    const auto size = static_cast<size_t>(st.st_size);
    if (size < MIN_HPGL_FILE_SIZE || size > MAX_HPGL_FILE_SIZE)
        return HPGL_BAD_SIZE;

    BeginRead();
    unsigned char block[READ_BLOCK];
    // Never more than the size checked above, even if the file grows meanwhile.
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::read(fd.get(), block, std::min(left, READ_BLOCK));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return HPGL_CANNOT_OPEN;
        }
        if (n == 0)
            break;
        left -= static_cast<size_t>(n);
        if (!Feed(block, static_cast<size_t>(n)))
            return HPGL_NUMBER_AFTER_DF;
    }
    Finish();
    return HPGL_OK;
}

int CHpglFile::ReadBuffer(std::string_view bytes, std::string_view name)
{
    m_fileName = name;
    if (bytes.size() < MIN_HPGL_FILE_SIZE || bytes.size() > MAX_HPGL_FILE_SIZE)
        return HPGL_BAD_SIZE;
    BeginRead();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t at = 0; at < bytes.size(); at += READ_BLOCK) {
        if (!Feed(data + at, std::min(READ_BLOCK, bytes.size() - at)))
            return HPGL_NUMBER_AFTER_DF;
    }
    Finish();
    return HPGL_OK;
}

void CHpglFile::BeginRead()
{
    Reset();
    LoadFonts();
    m_instruction.m_params.clear();
    m_instruction.m_mnemonic[0] = m_instruction.m_mnemonic[1] = 0;
    m_number.Take();
    m_state = ST_NAME;
    m_pendingLetter = 0;
    m_escapeLeft = 0;
    m_executed = true;
    m_offset = 0;
    m_labelText.clear();
}

bool CHpglFile::Feed(const unsigned char* data, size_t n)
{
    size_t i = 0;
    while (i < n) {
        // Runs of number characters inside a parameter list are most of any
        // real file: take each run whole.
        if (m_state == ST_NUMBERS) {
            size_t j = i;
            while (j < n && IsNumberChar(static_cast<char>(data[j])))
                ++j;
            if (j > i) {
                m_number.AddRun(reinterpret_cast<const char*>(data + i), j - i);
                m_offset += j - i;
                i = j;
                continue;
            }
        }
        FeedByte(data[i]);
        ++i;
        ++m_offset;
        if (m_state == ST_STOPPED)
            return false;
    }
    return true;
}

void CHpglFile::FeedByte(unsigned char c)
{
    switch (m_state) {
    case ST_NAME:
        NameByte(c);
        return;
    case ST_ESCAPE:
        if (--m_escapeLeft == 0)
            m_state = ST_NAME;
        return;
    case ST_NUMBERS:
        if (IsNumberChar(static_cast<char>(c))) {
            m_number.Add(static_cast<char>(c));
            return;
        }
        EndNumber();
        if (c == ';') {
            m_state = ST_NAME;
            Execute();
        } else if (IsLetter(c)) {
            m_state = ST_NAME;
            Execute();
            m_pendingLetter = Upper(c);
        } else if (c == ESC) {
            m_state = ST_ESCAPE;
            m_escapeLeft = 4;
            Execute();
        }
        return;
    case ST_NO_PARAMS:
        if (c == ';') {
            m_state = ST_NAME;
            Execute();
        } else if (IsLetter(c)) {
            m_state = ST_NAME;
            Execute();
            m_pendingLetter = Upper(c);
        } else if (IsNumberChar(static_cast<char>(c))) {
            m_state = ST_STOPPED;
        }
        return;
    case ST_LABEL:
        if (c == static_cast<unsigned char>(m_terminator))
            m_state = ST_LABEL_TERMINATOR;
        else if (m_labelText.size() < LABEL_LINE_MAX)  // later bytes are never drawn
            m_labelText.push_back(static_cast<char>(c));
        return;
    case ST_LABEL_TERMINATOR:
        // A terminator directly followed by "LB" continues the same label.
        if (c == 'L') {
            m_state = ST_LABEL_TERMINATOR_L;
        } else {
            FinishLabel(true);
            FeedByte(c);
        }
        return;
    case ST_LABEL_TERMINATOR_L:
        if (c == 'B') {
            m_state = ST_LABEL;
        } else {
            FinishLabel(true);
            FeedByte('L');
            FeedByte(c);
        }
        return;
    case ST_DT_FIRST:
        if (c == ';') {
            m_terminator = 0x03;
            m_terminatorMode = 1;
            m_state = ST_NAME;
        } else if (c == 0x00 || c == 0x05 || c == ESC) {
            m_state = ST_NAME;
        } else {
            m_terminator = static_cast<char>(c);
            m_terminatorMode = 2;
            m_state = ST_DT_TERMINATOR_READ;
        }
        return;
    case ST_DT_TERMINATOR_READ:
        if (c == ',') {
            m_terminatorMode = 3;
            m_state = ST_DT_COMMA_READ;
        } else {
            m_terminatorMode = 1;
            m_state = ST_NAME;
            FeedByte(c);
        }
        return;
    case ST_DT_COMMA_READ:
        m_state = ST_NAME;
        if (c == '0' || c == '1') {
            m_terminatorMode = static_cast<unsigned char>(c - '0');
        } else {
            m_terminatorMode = 1;
            FeedByte(c);
        }
        return;
    case ST_STOPPED:
        return;
    }
}

void CHpglFile::NameByte(unsigned char c)
{
    if (m_pendingLetter == 0) {
        if (IsLetter(c)) {
            m_pendingLetter = Upper(c);
        } else if (c == ESC) {
            m_state = ST_ESCAPE;
            m_escapeLeft = 4;
        }
        return;
    }
    if (IsLetter(c))
        StartInstruction(Upper(c));
    else
        m_pendingLetter = 0;  // the byte is consumed with the letter
}

void CHpglFile::StartInstruction(char second)
{
    m_instruction.m_mnemonic[0] = m_pendingLetter;
    m_instruction.m_mnemonic[1] = second;
    m_pendingLetter = 0;
    m_instruction.m_params.clear();
    m_executed = false;
    switch (Mnemonic(m_instruction.m_mnemonic[0], second)) {
    case Mnemonic('D', 'F'):
        m_state = ST_NO_PARAMS;
        break;
    case Mnemonic('L', 'B'):
        m_labelText.clear();
        m_state = ST_LABEL;
        break;
    case Mnemonic('D', 'T'):
        // Takes effect byte by byte; there is nothing left to execute.
        m_executed = true;
        m_state = ST_DT_FIRST;
        break;
    default:
        m_state = ST_NUMBERS;
        break;
    }
}

void CHpglFile::EndNumber()
{
    if (m_number.Active())
        m_instruction.m_params.push_back(m_number.Take());
}

void CHpglFile::FinishLabel(bool terminatorSeen)
{
    if (terminatorSeen && m_terminatorMode == 0 && m_labelText.size() < LABEL_LINE_MAX)
        m_labelText.push_back(m_terminator);
    m_state = ST_NAME;
    Execute();
}

void CHpglFile::Finish()
{
    switch (m_state) {
    case ST_NUMBERS:
        EndNumber();
        break;
    case ST_LABEL_TERMINATOR:
    case ST_LABEL_TERMINATOR_L:
        FinishLabel(true);
        return;
    case ST_DT_TERMINATOR_READ:
    case ST_DT_COMMA_READ:
        m_terminatorMode = 1;
        break;
    default:
        break;
    }
    if (!m_executed)
        Execute();
}

int CHpglFile::Coord(double v) const
{
    int out = 0;
    if (!vexa::RoundHalfUpChecked(v, out))
        throw HpglInvalidArgument("coordinate out of range near byte " + std::to_string(m_offset));
    return out;
}

void CHpglFile::AddRecord(HpglRecordKind kind, std::initializer_list<int32_t> values)
{
    m_records.push_back({kind, static_cast<uint32_t>(values.size()), m_values.size()});
    m_values.insert(m_values.end(), values);
}

void CHpglFile::MoveTo(const std::vector<double>& p)
{
    const size_t n = p.size();
    if (n < 2)
        return;
    const int x = Coord(p[n - 2]);
    const int y = Coord(p[n - 1]);
    m_penX = x;
    m_penY = y;
}

void CHpglFile::DrawPath(const std::vector<double>& p)
{
    const size_t n = p.size();
    if (n < 2)
        return;
    if (n % 2 != 0)
        throw HpglInvalidArgument("odd number of coordinates (" + std::to_string(n) + ") near byte "
                                  + std::to_string(m_offset));
    AddRecord(HPGL_PEN_UP_MOVE, {m_penX, m_penY});
    const size_t first = m_values.size();
    m_values.resize(first + n);
    for (size_t i = 0; i < n; ++i)
        m_values[first + i] = Coord(p[i]);
    m_records.push_back({HPGL_PEN_DOWN_PATH, static_cast<uint32_t>(n), first});
    m_penX = m_values[first + n - 2];
    m_penY = m_values[first + n - 1];
}

void CHpglFile::Execute()
{
    m_executed = true;
    const std::vector<double>& p = m_instruction.m_params;
    const size_t n = p.size();
    switch (Mnemonic(m_instruction.m_mnemonic[0], m_instruction.m_mnemonic[1])) {
    case Mnemonic('P', 'U'):
        m_penDown = 0;
        MoveTo(p);
        break;
    case Mnemonic('P', 'D'):
        m_penDown = 1;
        DrawPath(p);
        break;
    case Mnemonic('P', 'A'):
        if (n < 2)
            break;
        if (m_penDown)
            DrawPath(p);
        else
            MoveTo(p);
        break;
    case Mnemonic('P', 'G'):
    case Mnemonic('F', 'R'):
        AddRecord(HPGL_PAGE_ADVANCE, {});
        break;
    case Mnemonic('L', 'T'):
        if (n == 0)
            AddRecord(HPGL_LINE_TYPE, {});
        else
            AddRecord(HPGL_LINE_TYPE, {RoundHalfUp(p[n - 1]) != 0 ? 1 : 0});
        break;
    case Mnemonic('S', 'P'):
        AddRecord(HPGL_PEN_SELECT, {n == 0 ? 0 : RoundHalfUp(p[0])});
        break;
    case Mnemonic('L', 'O'): {
        int origin = n == 0 ? 1 : RoundHalfUp(p[0]);
        if (origin < 1 || origin > 19 || origin == 10)
            origin = 1;
        m_labelOrigin = origin;
        break;
    }
    case Mnemonic('S', 'I'):
        if (n < 2) {
            m_charWidth = 0.285;
            m_charHeight = 0.375;
        } else {
            m_charWidth = p[0];
            m_charHeight = p[1];
        }
        break;
    case Mnemonic('D', 'I'):
        if (n < 2) {
            m_direction = 0.0;
        } else if (p[0] != 0 && p[1] == 0) {
            m_direction = 0.0;
        } else if (p[0] != 0) {
            m_direction = std::atan2(p[1], p[0]) * 180 / 3.14159265359;
        } else if (p[1] != 0) {
            m_direction = 90.0;
        }
        break;
    case Mnemonic('D', 'R'):
        if (n == 0)
            m_direction = 0.0;
        else if (n == 2 && p[0] != 0 && p[1] == 0)
            m_direction = 0.0;
        else if (n == 2 && p[0] == 0 && p[1] != 0)
            m_direction = 90.0;
        break;
    case Mnemonic('L', 'B'):
        ExecuteLabel();
        break;
    case Mnemonic('D', 'F'):
        ResetLabelState();
        if (!m_records.empty())
            AddRecord(HPGL_LINE_TYPE, {});
        break;
    case Mnemonic('I', 'N'):
        ResetLabelState();
        if (!m_records.empty())
            AddRecord(HPGL_LINE_TYPE, {});
        m_penX = 0;
        m_penY = 0;
        m_penDown = 0;
        break;
    default:
        break;
    }
}

void CHpglFile::ResetLabelState()
{
    m_charHeight = 0.375;
    m_charWidth = 0.285;
    m_terminator = 0x03;
    m_terminatorMode = 1;
    m_direction = 0.0;
    m_labelOrigin = 1;
}

void CHpglFile::FillPage(COnePage& page) const
{
    page.m_fileName = m_fileName;
    int64_t offset = 0;
    auto curve = std::make_unique<CCurve>();
    // Extents of the curves already measured, so that every page advance
    // costs only the curves added since the previous one.
    size_t measured = 0;
    auto closeCurve = [&]() {
        if (!curve->m_points.empty())
            page.AddCurve(std::move(curve));
        curve = std::make_unique<CCurve>();
    };

    for (const HpglRecord& r : m_records) {
        const int32_t* v = m_values.data() + r.m_first;
        switch (r.m_kind) {
        case HPGL_PEN_UP_MOVE: {
            if (r.m_count < 2)
                break;
            const CPoint p{Shift(v[0], offset), v[1]};
            if (!curve->m_points.empty() && (curve->m_points.back() != p || curve->m_pen != 1))
                closeCurve();
            curve->m_points.push_back(p);
            break;
        }
        case HPGL_PEN_DOWN_PATH:
            if (r.m_count < 2)
                break;
            curve->m_points.reserve(curve->m_points.size() + r.m_count / 2);
            for (uint32_t i = 0; i + 1 < r.m_count; i += 2)
                curve->m_points.push_back({Shift(v[i], offset), v[i + 1]});
            break;
        case HPGL_PAGE_ADVANCE:
            closeCurve();
            if (!page.m_curves.empty()) {
                for (; measured < page.m_curves.size(); ++measured) {
                    CCurve& c = *page.m_curves[measured];
                    c.ComputeExtents();
                    if (measured == 0) {
                        page.m_minX = c.m_minX;
                        page.m_maxX = c.m_maxX;
                        page.m_minY = c.m_minY;
                        page.m_maxY = c.m_maxY;
                    } else {
                        page.m_minX = std::min(page.m_minX, c.m_minX);
                        page.m_maxX = std::max(page.m_maxX, c.m_maxX);
                        page.m_minY = std::min(page.m_minY, c.m_minY);
                        page.m_maxY = std::max(page.m_maxY, c.m_maxY);
                    }
                }
                offset = page.m_maxX;
            }
            break;
        case HPGL_PEN_SELECT:
            if (r.m_count >= 1 && curve->m_pen != 1)
                closeCurve();
            break;
        case HPGL_LINE_TYPE:
            break;
        }
    }
    if (!curve->m_points.empty())
        page.AddCurve(std::move(curve));
}
