// Mode detection, the template escape table and the template element expander.
#include "job/JobExpression.h"

#include "raw/RawShell.h"

namespace JobLayer {

namespace {

// Appends text to out; the units are converted first when the kinds differ,
// because appending copies units as they stand.
void AppendConverted(const RawString& text, RawString* out) {
    if (text.IsEmpty()) return;
    if (text.Kind() == out->Kind())
        out->Append(text);
    else
        out->Append(RawString(text, out->Kind()));
}

bool IsDigitUnit(uint32_t u) { return u >= '0' && u <= '9'; }

bool EqualsText(const RawString& text, int32_t from, int32_t to, const char* word) {
    int32_t i = from;
    for (; *word != 0; ++word, ++i)
        if (i >= to || text.UnitAt(i) != static_cast<uint8_t>(*word)) return false;
    return i == to;
}

// Digits only, with an optional leading "-" when signed; at most 18 digits,
// so that counting with them stays far inside 128 bits.
bool ReadNumber(const RawString& text, int32_t from, int32_t to, bool signedNumber, int64_t* value,
                JobTemplateToken::Fault* fault) {
    const bool negative = signedNumber && from < to && text.UnitAt(from) == '-';
    if (negative) ++from;
    if (from >= to) return false;
    int64_t v = 0;
    int32_t digits = 0;
    for (int32_t i = from; i < to; ++i) {
        const uint32_t u = text.UnitAt(i);
        if (!IsDigitUnit(u)) return false;
        if (digits > 0 || u != '0') ++digits;
        if (digits > 18) {
            *fault = JobTemplateToken::Fault::Number;
            return false;
        }
        v = v * 10 + static_cast<int64_t>(u - '0');
    }
    *value = negative ? -v : v;
    return true;
}

// The fields of a token body [from, to), split at ":".
struct TokenFields {
    int32_t begin[4] = {};
    int32_t end[4] = {};
    int32_t count = 0;
};

bool SplitFields(const RawString& text, int32_t from, int32_t to, TokenFields* fields) {
    int32_t b = from;
    for (int32_t i = from; i <= to; ++i) {
        if (i < to && text.UnitAt(i) != ':') continue;
        if (fields->count == 4) return false;
        fields->begin[fields->count] = b;
        fields->end[fields->count] = i;
        ++fields->count;
        b = i + 1;
    }
    return true;
}

void ReadTokenBody(const RawString& text, int32_t from, int32_t to, JobTemplateToken* token) {
    using Kind = JobTemplateToken::Kind;
    using Fault = JobTemplateToken::Fault;
    token->fault = Fault::Unknown;
    TokenFields f;
    if (!SplitFields(text, from, to, &f)) return;
    const int32_t head = f.begin[0], headEnd = f.end[0];
    auto width = [&](int32_t i) {
        int64_t w = 0;
        if (!ReadNumber(text, f.begin[i], f.end[i], false, &w, &token->fault)) return false;
        if (w < 1 || w > JobTemplateToken::kMostWidth) {
            token->fault = Fault::Width;
            return false;
        }
        token->width = static_cast<int32_t>(w);
        return true;
    };
    if (headEnd - head == 1 && (text.UnitAt(head) == 'n' || text.UnitAt(head) == 'f')) {
        token->kind = text.UnitAt(head) == 'n' ? Kind::Counter : Kind::FolderCounter;
        if (f.count >= 2 && !width(1)) return;
        if (f.count >= 3 && !ReadNumber(text, f.begin[2], f.end[2], true, &token->start, &token->fault)) return;
        if (f.count >= 4 && !ReadNumber(text, f.begin[3], f.end[3], true, &token->step, &token->fault)) return;
        token->fault = Fault::None;
        return;
    }
    if (headEnd - head == 1 && IsDigitUnit(text.UnitAt(head)) && f.count == 2) {
        token->part = static_cast<int32_t>(text.UnitAt(head) - '0');
        const int32_t b = f.begin[1], e = f.end[1];
        if (EqualsText(text, b, e, "upper")) token->kind = Kind::UpperPart;
        else if (EqualsText(text, b, e, "lower")) token->kind = Kind::LowerPart;
        else if (EqualsText(text, b, e, "title")) token->kind = Kind::TitlePart;
        else if (width(1)) token->kind = Kind::PaddedPart;
        else return;
        token->fault = Fault::None;
        return;
    }
    if (f.count == 1 && EqualsText(text, head, headEnd, "name")) token->kind = Kind::Name;
    else if (f.count == 1 && EqualsText(text, head, headEnd, "ext")) token->kind = Kind::Extension;
    else return;
    token->fault = Fault::None;
}

// The value start + ordinal * step with at least width digits, a sign in front.
void AppendCounter(const JobTemplateToken& token, int64_t ordinal, RawString* out) {
    const __int128 value = static_cast<__int128>(token.start) + static_cast<__int128>(ordinal) * token.step;
    unsigned __int128 magnitude = value < 0 ? static_cast<unsigned __int128>(-value) : value;
    char digits[48];
    int32_t n = 0;
    if (magnitude <= UINT64_MAX) {
        // Every counter a name can hold: a division of 128 bits costs a call per digit.
        uint64_t small = static_cast<uint64_t>(magnitude);
        do {
            digits[n++] = static_cast<char>('0' + static_cast<int>(small % 10));
            small /= 10;
        } while (small != 0);
    } else {
        do {
            digits[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
            magnitude /= 10;
        } while (magnitude != 0);
    }
    if (value < 0) out->AppendUnit('-');
    for (int32_t i = n; i < token.width; ++i) out->AppendUnit('0');
    while (n > 0) out->AppendUnit(static_cast<uint8_t>(digits[--n]));
}

bool IsWordBreak(uint32_t u) { return u == ' ' || u == '_' || u == '-' || u == '.'; }

// Each word's first character in upper case and the rest in lower case.
RawString TitleCased(const RawString& text) {
    RawString result(text.Kind(), text.Length());
    int32_t i = 0;
    while (i < text.Length()) {
        if (IsWordBreak(text.UnitAt(i))) {
            result.AppendUnit(text.UnitAt(i++));
            continue;
        }
        const int32_t first = i + text.CharLength(i);
        int32_t end = first;
        while (end < text.Length() && !IsWordBreak(text.UnitAt(end))) end += text.CharLength(end);
        result.Append(RawLayer::CaseMapped(RawString(text, {i, first}, text.Kind()), true));
        if (end > first) result.Append(RawLayer::CaseMapped(RawString(text, {first, end}, text.Kind()), false));
        i = end;
    }
    return result;
}

// Where a name's last extension starts (its dot); the name's length when it
// has none. A leading dot starts no extension: ".profile" is all name.
int32_t ExtensionDot(const RawString& name) {
    for (int32_t i = name.Length() - 1; i > 0; --i)
        if (name.UnitAt(i) == '.') return i;
    return name.Length();
}

void AppendToken(const JobTemplateToken& token, const JobExpressionUtility::Situation& situation, RawString* out) {
    using Kind = JobTemplateToken::Kind;
    switch (token.kind) {
    case Kind::Counter:
    case Kind::FolderCounter:
        AppendCounter(token, situation.GetOrdinal(token.kind == Kind::FolderCounter), out);
        return;
    case Kind::PaddedPart: {
        const int32_t at = out->Length();
        situation.AppendPart(token.part, out);
        const int32_t length = out->Length() - at;
        for (int32_t i = at; i < out->Length(); ++i)
            if (!IsDigitUnit(out->UnitAt(i))) return;
        if (length == 0 || length >= token.width) return;
        RawString zeros(out->Kind(), token.width - length);
        for (int32_t i = length; i < token.width; ++i) zeros.AppendUnit('0');
        out->Insert(at, zeros);
        return;
    }
    case Kind::UpperPart:
    case Kind::LowerPart:
        AppendConverted(RawLayer::CaseMapped(situation.GetPart(token.part), token.kind == Kind::UpperPart), out);
        return;
    case Kind::TitlePart:
        AppendConverted(TitleCased(situation.GetPart(token.part)), out);
        return;
    case Kind::Name:
    case Kind::Extension: {
        const RawString name = situation.GetName();
        const int32_t dot = ExtensionDot(name);
        const RawLayer::RawRange range =
            token.kind == Kind::Name ? RawLayer::RawRange{0, dot} : RawLayer::RawRange{dot + 1, name.Length()};
        if (range.end > range.begin) AppendConverted(RawString(name, range, name.Kind()), out);
        return;
    }
    }
}

}  // namespace

JobTemplateToken ReadTemplateToken(const RawString& text, int32_t position) {
    JobTemplateToken token;
    const int32_t open = position + 2;
    int32_t close = open;
    while (close < text.Length() && text.UnitAt(close) != '}') ++close;
    if (close >= text.Length()) {
        token.fault = JobTemplateToken::Fault::Unclosed;
        token.length = text.Length() - position;
        return token;
    }
    token.length = close + 1 - position;
    ReadTokenBody(text, open, close, &token);
    return token;
}

bool IsExpandedTemplate(const RawString& text) {
    const int32_t k = text.UnitAt(0) == '!' ? 1 : 0;
    return !(k < text.Length() && text.UnitAt(k) == '$');
}

namespace {

// Calls visit (position, token) for every token of an expanded template, in
// order, until it returns false.
template <class Visit>
void ForEachToken(const RawString& text, Visit visit) {
    if (!IsExpandedTemplate(text)) return;
    for (int32_t p = 0; p + 1 < text.Length();) {
        if (text.UnitAt(p) != '%') {
            ++p;
            continue;
        }
        if (text.UnitAt(p + 1) != '{') {
            p += 2;  // an escape: "%%{" is a "%" and then a "{"
            continue;
        }
        const JobTemplateToken token = ReadTemplateToken(text, p);
        if (!visit(p, token)) return;
        p += token.length;
    }
}

}  // namespace

RawString TemplateFault(const RawString& text) {
    RawString reason;
    ForEachToken(text, [&](int32_t p, const JobTemplateToken& token) {
        using Fault = JobTemplateToken::Fault;
        if (token.fault == Fault::None) return true;
        reason = RawString("the token \"");
        reason.Append(RawString(RawString(text, {p, p + token.length}, text.Kind()), RawLayer::RawCodeKind::Utf8));
        switch (token.fault) {
        case Fault::Unclosed: reason.Append(RawString("\" has no closing \"}\"")); break;
        case Fault::Width: reason.Append(RawString("\" asks for a width outside 1 to 32")); break;
        case Fault::Number: reason.Append(RawString("\" holds a number of more than 18 digits")); break;
        default: reason.Append(RawString("\" is unknown")); break;
        }
        return false;
    });
    return reason;
}

bool TemplateCountsPerFolder(const RawString& text) {
    bool counts = false;
    ForEachToken(text, [&](int32_t, const JobTemplateToken& token) {
        counts = token.fault == JobTemplateToken::Fault::None && token.kind == JobTemplateToken::Kind::FolderCounter;
        return !counts;
    });
    return counts;
}

RawString JobExpressionUtility::Situation::GetLineBreak() const { return RawString("\r\n"); }

RawString JobExpressionUtility::Situation::GetPart(int32_t index) const {
    RawString digit;
    digit.AppendUnit(static_cast<uint32_t>('0' + index));
    return digit;
}

void JobExpressionUtility::Situation::AppendPart(int32_t index, RawString* out) const {
    AppendConverted(GetPart(index), out);
}

RawString JobExpressionUtility::Situation::GetName() const { return RawString(); }

int64_t JobExpressionUtility::Situation::GetOrdinal(bool) const { return 0; }

JobPatternForm JobExpressionUtility::FormOf(const RawString& pattern) {
    JobPatternForm form;
    int32_t k = 0;
    if (pattern.UnitAt(0) == '!') {
        form.negated = true;
        k = 1;
    }
    // A unit past the end reads as 0, so a lone "!" falls through to an
    // empty wildcard body.
    const uint32_t letter = pattern.UnitAt(k);
    if (letter == '$') {
        form.mode = JobPatternMode::Literal;
        form.bodyStart = k + 1;
    } else if (letter == '@') {
        form.mode = JobPatternMode::Extended;
        form.bodyStart = k + 1;
    } else {
        form.mode = JobPatternMode::Wildcard;
        form.bodyStart = k;
    }
    return form;
}

uint32_t JobExpressionUtility::TemplateEscape(uint32_t x) {
    switch (x) {
    case 'd': return ';';
    case 'e': return '%';
    case 'n': return '\n';
    case 'q': return '"';
    case 'r': return '\r';
    case 's': return ' ';
    case 't': return '\t';
    default: return x;
    }
}

JobTemplateTokens ReadTemplateTokens(const RawString& text) {
    JobTemplateTokens tokens;
    ForEachToken(text, [&](int32_t p, const JobTemplateToken& token) {
        tokens.emplace_back(p, token);
        return true;
    });
    return tokens;
}

int32_t ExpandOne(const RawString& text, int32_t position,
                  const JobExpressionUtility::Situation& situation, RawString* out,
                  const JobTemplateTokens* tokens) {
    if (position < 0 || position >= text.Length()) return 0;
    const uint32_t unit = text.UnitAt(position);
    if (unit != '%') {
        out->AppendUnit(unit);
        return 1;
    }
    if (position + 1 >= text.Length()) return 1;
    const uint32_t x = text.UnitAt(position + 1);
    if (x == '{') {
        const JobTemplateToken* known = nullptr;
        if (tokens != nullptr)
            for (const auto& [at, read] : *tokens)
                if (at == position) known = &read;
        const JobTemplateToken token = known != nullptr ? *known : ReadTemplateToken(text, position);
        if (token.fault == JobTemplateToken::Fault::None) AppendToken(token, situation, out);
        return token.length;
    }
    if (x >= '0' && x <= '9')
        situation.AppendPart(static_cast<int32_t>(x - '0'), out);
    else if (x == 'N')
        AppendConverted(situation.GetLineBreak(), out);
    else
        out->AppendUnit(JobExpressionUtility::TemplateEscape(x));
    return 2;
}

}  // namespace JobLayer
