// Reading and writing profile files. Every byte is looked at within `size`: the text need
// not end in '\0' and may hold any bytes.
#include "config/profile_file.h"

#include <cstdio>
#include <cstring>

namespace quorforce {
namespace {

// A piece of the file: never past its end, never ended by '\0'.
struct Piece {
    const char* at;
    std::size_t length;

    bool Is(const char* word) const {
        return std::strlen(word) == length && std::memcmp(at, word, length) == 0;
    }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

Piece Trim(Piece piece) {
    while (piece.length > 0 && IsBlank(piece.at[0])) {
        ++piece.at;
        --piece.length;
    }
    while (piece.length > 0 && IsBlank(piece.at[piece.length - 1]))
        --piece.length;
    return piece;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(const Piece& piece, const char* name) {
    if (std::strlen(name) != piece.length) return false;
    for (std::size_t i = 0; i < piece.length; ++i)
        if (Lower(piece.at[i]) != Lower(name[i])) return false;
    return true;
}

// What a message may quote of the file: at most 40 characters, each printable.
std::string Quote(const Piece& piece) {
    constexpr std::size_t kShown = 40;
    std::string text;
    for (std::size_t i = 0; i < piece.length && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(piece.at[i]);
        text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (piece.length > kShown) text += "...";
    return text;
}

// The parser's place in the file and what it has read so far.
class Reader {
public:
    Reader(Profile* profile, ProfileRefusal* refusal) : profile_(profile), refusal_(refusal) {}

    // One line without its end; false once the file is refused.
    bool Line(Piece raw) {
        ++number_;
        if (raw.length > 0 && raw.at[raw.length - 1] == '\r') --raw.length;
        if (raw.length > kMaxProfileLineLength) return Refuse(ProfileProblem::LineTooLong, {});
        const Piece line = Trim(raw);
        if (number_ == 1)
            return line.Is(kProfileFirstLine) || Refuse(ProfileProblem::FirstLine, {});
        if (line.length == 0 || line.at[0] == '#') return true;
        const void* equals = std::memchr(line.at, '=', line.length);
        const std::size_t split =
            equals == nullptr
                ? 0
                : static_cast<std::size_t>(static_cast<const char*>(equals) - line.at);
        const Piece name = Trim({line.at, split});
        if (equals == nullptr || name.length == 0) return Refuse(ProfileProblem::NotAnEntry, line);
        const Piece value = Trim({line.at + split + 1, line.length - split - 1});
        return name.Is(kProfileGameName) ? Game(value) : Switch(name, value);
    }

    // After the last line.
    bool End() {
        if (number_ == 0) {
            number_ = 1;
            return Refuse(ProfileProblem::FirstLine, {});
        }
        return gameLine_ != 0 || Refuse(ProfileProblem::NoGame, {});
    }

private:
    bool Refuse(ProfileProblem problem, const Piece& text, std::size_t earlier = 0,
                const GameSwitchEntry* entry = nullptr) {
        refusal_->problem = problem;
        refusal_->line = number_;
        refusal_->earlier = earlier;
        refusal_->entry = entry;
        refusal_->text = Quote(text);
        return false;
    }

    bool Game(const Piece& value) {
        if (gameLine_ != 0) return Refuse(ProfileProblem::GameTwice, value, gameLine_);
        if (!IsGameFileName(value.at, value.length)) {
            return Refuse(ProfileProblem::BadGameName, value);
        }
        for (std::size_t i = 0; i < value.length; ++i)
            profile_->game[i] = Lower(value.at[i]);
        profile_->game[value.length] = '\0';
        gameLine_ = number_;
        return true;
    }

    bool Switch(const Piece& name, const Piece& value) {
        const GameSwitchEntry* entry = nullptr;
        for (const GameSwitchEntry& candidate : kGameSwitches) {
            if (name.Is(candidate.name)) entry = &candidate;
        }
        if (entry == nullptr) {
            for (const GameSwitchEntry& candidate : kGameSwitches) {
                if (SameLetters(name, candidate.name)) {
                    return Refuse(ProfileProblem::WrongCase, name, 0, &candidate);
                }
            }
            if (SameLetters(name, kProfileGameName)) return Refuse(ProfileProblem::WrongCase, name);
            return Refuse(ProfileProblem::UnknownName, name);
        }
        const std::size_t index = static_cast<std::size_t>(entry->id);
        if (switchLine_[index] != 0) {
            return Refuse(ProfileProblem::SwitchTwice, name, switchLine_[index], entry);
        }
        if (value.length == 0) return Refuse(ProfileProblem::NotANumber, value, 0, entry);
        DWORD number = 0;
        bool tooLarge = false;
        for (std::size_t i = 0; i < value.length; ++i) {
            const char c = value.at[i];
            if (c < '0' || c > '9') return Refuse(ProfileProblem::NotANumber, value, 0, entry);
            // Past the range already: stop adding, so that no number of digits overflows.
            if (number > entry->maximum) {
                tooLarge = true;
                continue;
            }
            number = number * 10 + static_cast<DWORD>(c - '0');
        }
        if (tooLarge || !InRange(*entry, number)) {
            return Refuse(ProfileProblem::OutOfRange, value, 0, entry);
        }
        profile_->switches.Set(entry->id, static_cast<std::int32_t>(number));
        switchLine_[index] = number_;
        return true;
    }

    Profile* profile_;
    ProfileRefusal* refusal_;
    std::size_t number_ = 0;
    std::size_t gameLine_ = 0;
    std::size_t switchLine_[kGameSwitchCount] = {};
};

}  // namespace

bool IsGameFileName(const char* name, std::size_t length) {
    if (name == nullptr || length == 0 || length >= kGameNameSize) return false;
    // Windows drops a file name's last dot, so no executable's name ends in one.
    if (name[length - 1] == '.') return false;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    }
    return true;
}

bool ParseProfile(const char* text, std::size_t size, Profile* profile, ProfileRefusal* refusal) {
    *profile = Profile();
    *refusal = ProfileRefusal();
    if (size > kMaxProfileFileSize) {
        refusal->problem = ProfileProblem::TooLarge;
        return false;
    }
    if (text == nullptr) size = 0;
    std::size_t at = 0;
    if (size >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) at = 3;
    Profile read;
    Reader reader(&read, refusal);
    while (at < size) {
        const void* end = std::memchr(text + at, '\n', size - at);
        const std::size_t stop =
            end == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(end) - text);
        if (!reader.Line({text + at, stop - at})) return false;
        at = stop + 1;
    }
    if (!reader.End()) return false;
    *profile = read;
    return true;
}

std::string DescribeRefusal(const ProfileRefusal& refusal) {
    char text[256];
    const char* name = refusal.entry != nullptr ? refusal.entry->name : kProfileGameName;
    const unsigned line = static_cast<unsigned>(refusal.line);
    const unsigned earlier = static_cast<unsigned>(refusal.earlier);
    const char* quoted = refusal.text.c_str();
    switch (refusal.problem) {
    case ProfileProblem::None: return "";
    case ProfileProblem::TooLarge:
        std::snprintf(text, sizeof text, "the file is larger than %u bytes: not a profile",
                      static_cast<unsigned>(kMaxProfileFileSize));
        break;
    case ProfileProblem::FirstLine:
        std::snprintf(text, sizeof text, "line %u: the first line must be \"%s\"", line,
                      kProfileFirstLine);
        break;
    case ProfileProblem::LineTooLong:
        std::snprintf(text, sizeof text, "line %u: longer than %u characters", line,
                      static_cast<unsigned>(kMaxProfileLineLength));
        break;
    case ProfileProblem::NotAnEntry:
        std::snprintf(text, sizeof text, "line %u: \"%s\" is not name=value", line, quoted);
        break;
    case ProfileProblem::UnknownName:
        std::snprintf(text, sizeof text, "line %u: \"%s\" is not a switch", line, quoted);
        break;
    case ProfileProblem::WrongCase:
        std::snprintf(text, sizeof text, "line %u: \"%s\" must be spelt %s", line, quoted, name);
        break;
    case ProfileProblem::NotANumber:
        std::snprintf(text, sizeof text, "line %u: %s=\"%s\" is not a decimal number", line, name,
                      quoted);
        break;
    case ProfileProblem::OutOfRange:
        std::snprintf(text, sizeof text, "line %u: %s=%s is out of range (%u to %u)", line, name,
                      quoted, static_cast<unsigned>(refusal.entry->minimum),
                      static_cast<unsigned>(refusal.entry->maximum));
        break;
    case ProfileProblem::SwitchTwice:
        std::snprintf(text, sizeof text, "line %u: %s is given a second time (first on line %u)",
                      line, name, earlier);
        break;
    case ProfileProblem::GameTwice:
        std::snprintf(text, sizeof text, "line %u: game= is given a second time (first on line %u)",
                      line, earlier);
        break;
    case ProfileProblem::BadGameName:
        std::snprintf(text, sizeof text, "line %u: \"%s\" is not a game's file name", line, quoted);
        break;
    case ProfileProblem::NoGame:
        std::snprintf(text, sizeof text, "the file names no game (a line game=...)");
        break;
    }
    return text;
}

std::string FormatProfile(const Profile& profile) {
    std::string text = std::string(kProfileFirstLine) + "\r\n";
    text += std::string(kProfileGameName) + "=" + profile.game + "\r\n";
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (!profile.switches.Has(entry.id)) continue;
        text +=
            std::string(entry.name) + "=" + std::to_string(profile.switches.Get(entry.id)) + "\r\n";
    }
    return text;
}

}  // namespace quorforce
