// Speed of matching and expanding: typical rules over generated names against
// std::regex doing the same job, and the slowest nasty pattern found.
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "job/JobSolution.h"

using namespace JobLayer;
using RawLayer::RawString;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Names of 5 to 120 bytes: ASCII, Japanese and emoji, with the prefixes and
// extensions the rules look for in some of them.
std::vector<std::string> MakeNames(size_t count) {
    const std::vector<std::string> ascii = {"report", "photo", "2024", "draft", "final", "a",  "b.c",
                                            "notes",  " ",     "-",    "_",     "v2",    "x", "Holiday"};
    const std::vector<std::string> wide = {"写真", "レポート", "日本語", "の", "整理", "東京",
                                           "😀",   "📁",       "🎉",     "👍🏽"};
    const std::vector<std::string> extensions = {".txt", ".txt", ".jpg", ".jpg", ".mp3", ".tar.gz",
                                                 "",     ".doc", ".txt", ".png"};
    std::mt19937 random(20260406);
    std::vector<std::string> names;
    names.reserve(count);
    while (names.size() < count) {
        const size_t target = 5 + random() % 116;
        const bool mixed = random() % 10 >= 4;
        std::string name;
        switch (random() % 7) {
        case 0: name = "IMG_"; break;
        case 1: name = std::to_string(random() % 100) + " "; break;
        default: break;
        }
        const std::string& ext = extensions[random() % extensions.size()];
        for (int tries = 0; tries < 40; ++tries) {
            const std::string& piece = mixed && random() % 2 ? wide[random() % wide.size()]
                                                             : ascii[random() % ascii.size()];
            if (name.size() + piece.size() + ext.size() <= target) name += piece;
        }
        name += ext;
        while (name.size() < 5) name.insert(0, "x");
        names.push_back(name);
    }
    return names;
}

struct Rule {
    const char* pattern;
    const char* templ;
    const char* regex;  // ECMAScript, lazy quantifiers, matched against the whole name
    const char* format;
};

// The same rules in both languages. "*" takes any run shortest first, "." of
// the extended language anything but CR and LF.
const Rule kRules[] = {
    {"*.txt", "%0.bak", R"(([\s\S]*?)\.txt)", "$1.bak"},
    {"*.*", "%1-%0", R"(([\s\S]*?)\.([\s\S]*?))", "$2-$1"},
    {"IMG_*.jpg", "Photo_%0.jpg", R"(IMG_([\s\S]*?)\.jpg)", "Photo_$1.jpg"},
    {"@[0-9]+%s.+", "%1 %0", R"(([0-9]+?) (.+?))", "$2 $1"},
};

struct Outcome {
    double seconds = 0;
    size_t matched = 0;
    size_t bytes = 0;  // of all new names, so that no work is optimised away
};

Outcome RunMatcher(const Rule& rule, const std::vector<RawString>& names) {
    Outcome o;
    JobMatcher matcher{RawString(rule.pattern)};
    const RawString templ(rule.templ);
    RawString out;
    const auto start = Clock::now();
    for (const RawString& name : names) {
        if (!matcher.Match(name)) continue;
        ExpandTemplate(templ, JobHitSolution(name, matcher), &out);
        ++o.matched;
        o.bytes += static_cast<size_t>(out.Length());
    }
    o.seconds = Seconds(start);
    return o;
}

// Matching alone, to tell its share from the expansion's.
double MatchOnly(const Rule& rule, const std::vector<RawString>& names) {
    JobMatcher matcher{RawString(rule.pattern)};
    size_t matched = 0;
    const auto start = Clock::now();
    for (const RawString& name : names) matched += matcher.Match(name);
    const double seconds = Seconds(start);
    if (matched == names.size() + 1) std::printf("?");
    return seconds;
}

// The road of one item as the evaluation takes it: a match record, a hit
// list and a solution for each name, and a new text for each new name.
Outcome RunRecords(const Rule& rule, const std::vector<RawString>& names) {
    Outcome o;
    const RawString pattern(rule.pattern), templ(rule.templ);
    const auto start = Clock::now();
    for (const RawString& name : names) {
        JobNameMatch record{pattern, {}};
        if (!MatchName(&record, name)) continue;
        const JobSolution solution(name, record.hits);
        const RawString newName = ExpandTemplate(templ, solution);
        ++o.matched;
        o.bytes += static_cast<size_t>(newName.Length());
    }
    o.seconds = Seconds(start);
    return o;
}

Outcome RunRegex(const Rule& rule, const std::vector<std::string>& names,
                 std::vector<std::string>* results) {
    Outcome o;
    const std::regex re(rule.regex, std::regex::ECMAScript);
    std::smatch m;
    std::string out;
    const auto start = Clock::now();
    for (const std::string& name : names) {
        if (!std::regex_match(name, m, re)) {
            if (results) results->push_back("<no>");
            continue;
        }
        out = m.format(rule.format);
        ++o.matched;
        o.bytes += out.size();
        if (results) results->push_back(out);
    }
    o.seconds = Seconds(start);
    return o;
}

size_t CountDisagreements(const Rule& rule, const std::vector<RawString>& names,
                          const std::vector<std::string>& regexResults) {
    JobMatcher matcher{RawString(rule.pattern)};
    const RawString templ(rule.templ);
    RawString out;
    size_t differ = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string ours = "<no>";
        if (matcher.Match(names[i])) {
            ExpandTemplate(templ, JobHitSolution(names[i], matcher), &out);
            ours = out.ToUtf8();
        }
        if (ours != regexResults[i]) ++differ;
    }
    return differ;
}

// Nasty patterns (at most 256 units) against names (at most 255 units).
void Adversarial() {
    auto repeat = [](const std::string& s, int n) {
        std::string r;
        for (int i = 0; i < n; ++i) r += s;
        return r;
    };
    const std::string as(255, 'a');
    const std::string kana = repeat("あ", 85);
    struct Pair {
        std::string pattern, name;
    };
    // Most end in something the name lacks but no literal test can see in
    // advance (an escape or a class), so that the search has to fail late.
    const std::vector<Pair> pairs = {
        {"*a*a*a*a*a*a*a*a*a*a*a*b", std::string(60, 'a')},
        {"*a*a*a*a*a*a*a*a*a*a*a*b", as},
        {repeat("*a", 127) + "%t", as},
        {repeat("*", 255) + "%t", as},
        {repeat("?*", 127) + "%t", as},
        {repeat("*?", 127) + "%", std::string(254, 'a')},
        {repeat("*ab", 85), repeat("ab", 127)},
        {repeat("?*a", 85) + "%t", as},
        {repeat("*a?", 85) + "%t", as},
        {repeat("*aaaaaaaaaaaaaaa", 16), std::string(254, 'a') + "b"},
        {"@" + repeat("a*", 127) + "[b]", as},
        {"@" + repeat("a+", 127) + "[b]", as},
        {"@" + repeat(".*", 127) + "[b]", as},
        {"@" + repeat(".+", 127) + "%N", as},
        {"@" + repeat(".*a", 85) + "[b]", as},
        {"@" + repeat("[a-z]+a", 85) + "%d", as},
        {"@" + repeat("[a-z]*", 36) + "%d", as},
        {"@" + repeat("[^b]+", 51) + "[b]", as},
        {"@" + repeat("%s*", 85), std::string(254, ' ') + "x"},
        {"@" + repeat("a*a+", 63) + "[c]", as},
        {"@" + repeat("a*.*", 63) + "[b]", as},
        {"@" + repeat("[^x]*a+", 50) + "[b]", as},
        {repeat("*あ", 63) + "%t", kana},
        {"@" + repeat("[ぁ-ん]*い", 25) + "[う]", kana},
    };
    double worst = 0;
    std::string worstPattern;
    for (const Pair& p : pairs) {
        JobMatcher matcher{RawString(p.pattern)};
        const RawString name(p.name);
        matcher.Match(name);  // prepares the program and the table
        const int runs = 20;
        const auto start = Clock::now();
        for (int i = 0; i < runs; ++i) matcher.Match(name);
        const double each = Seconds(start) / runs;
        if (std::getenv("BENCH_VERBOSE")) std::printf("  %.3f ms  %.40s\n", each * 1e3, p.pattern.c_str());
        if (each > worst) {
            worst = each;
            worstPattern = p.pattern.substr(0, 40);
        }
    }
    std::printf("adversarial: %zu pairs, worst %.3f ms per match (pattern %s...)\n", pairs.size(),
                worst * 1e3, worstPattern.c_str());
}

}  // namespace

int main() {
    const size_t count = 100000;
    const std::vector<std::string> utf8 = MakeNames(count);
    std::vector<RawString> names;
    names.reserve(count);
    for (const std::string& n : utf8) names.emplace_back(n);

    std::printf("%zu names, 5 to 120 bytes, ASCII, Japanese and emoji\n", count);
    std::printf("%-14s %-14s %8s %14s %14s %14s %14s %8s %6s\n", "pattern", "template", "matched",
                "matcher n/s", "match only n/s", "records n/s", "std::regex n/s", "ratio", "differ");
    double ours = 0, records = 0, theirs = 0;
    for (const Rule& rule : kRules) {
        std::vector<std::string> regexResults;
        const Outcome r = RunRegex(rule, utf8, &regexResults);
        RunMatcher(rule, names);  // warms the matcher's table and output buffer
        const Outcome m = RunMatcher(rule, names);
        const Outcome e = RunRecords(rule, names);
        const double matchOnly = MatchOnly(rule, names);
        const size_t differ = CountDisagreements(rule, names, regexResults);
        std::printf("%-14s %-14s %8zu %14.0f %14.0f %14.0f %14.0f %7.1fx %6zu\n", rule.pattern, rule.templ,
                    m.matched, count / m.seconds, count / matchOnly, count / e.seconds, count / r.seconds,
                    r.seconds / m.seconds, differ);
        ours += m.seconds;
        records += e.seconds;
        theirs += r.seconds;
    }
    const double all = static_cast<double>(count) * (sizeof(kRules) / sizeof(kRules[0]));
    std::printf("all rules: matcher %.0f names/s, records %.0f names/s, std::regex %.0f names/s, "
                "ratio %.1fx\n",
                all / ours, all / records, all / theirs, theirs / ours);
    Adversarial();
    return 0;
}
