#include "checking/similarity.h"

#include <QByteArrayList>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <queue>
#include <tuple>
#include <vector>

namespace {

// Words MASM 5.10 reserves, as far as student programs use them; any other
// name is the program's own. STACK is among them only after SEGMENT, since
// it is the usual name of the stack segment as well.
const QSet<QByteArray> &reservedWords()
{
    static const QSet<QByteArray> words = [] {
        static const char *const lists[] = {
            // 8086, 186 and 386 instructions, prefixes included
            "AAA AAD AAM AAS ADC ADD AND CALL CBW CLC CLD CLI CMC CMP CMPS CMPSB CMPSW CWD DAA "
            "DAS DEC DIV ESC HLT IDIV IMUL IN INC INT INTO IRET JA JAE JB JBE JC JCXZ JE JG JGE "
            "JL JLE JMP JNA JNAE JNB JNBE JNC JNE JNG JNGE JNL JNLE JNO JNP JNS JNZ JO JP JPE JPO "
            "JS JZ LAHF LDS LEA LES LOCK LODS LODSB LODSW LOOP LOOPE LOOPNE LOOPNZ LOOPZ MOV "
            "MOVS MOVSB MOVSW MUL NEG NOP NOT OR OUT POP POPF PUSH PUSHF RCL RCR REP REPE REPNE "
            "REPNZ REPZ RET RETF ROL ROR SAHF SAL SAR SBB SCAS SCASB SCASW SHL SHR STC STD STI "
            "STOS STOSB STOSW SUB TEST WAIT XCHG XLAT XLATB XOR BOUND ENTER INS INSB INSW LEAVE "
            "OUTS OUTSB OUTSW POPA PUSHA BSF BSR BT BTC BTR BTS CDQ CMPSD CWDE JECXZ LFS LGS "
            "LSS LODSD MOVSD MOVSX MOVZX POPAD POPFD PUSHAD PUSHFD SCASD SHLD SHRD STOSD SETA "
            "SETAE SETB SETBE SETC SETE SETG SETGE SETL SETLE SETNA SETNB SETNC SETNE SETNZ "
            "SETZ",
            // registers
            "AX BX CX DX SI DI SP BP AL AH BL BH CL CH DL DH CS DS ES SS FS GS EAX EBX ECX EDX "
            "ESI EDI ESP EBP",
            // directives
            "ASSUME COMMENT DB DW DD DF DQ DT END ENDP ENDS EQU EVEN ALIGN EXTRN GROUP INCLUDE "
            "INCLUDELIB LABEL NAME ORG PROC PUBLIC RECORD SEGMENT STRUC TITLE SUBTTL PAGE MACRO "
            "ENDM EXITM LOCAL PURGE REPT IRP IRPC IF IFE IF1 IF2 IFB IFNB IFDEF IFNDEF IFIDN "
            "IFDIF ELSE ENDIF COMM DOSSEG %OUT .RADIX .LIST .XLIST .LALL .SALL .XALL .CREF "
            ".XCREF .SFCOND .LFCOND .TFCOND .8086 .8087 .186 .286 .286C .286P .287 .386 .386C "
            ".386P .387 .MODEL .CODE .DATA .DATA? .CONST .FARDATA .FARDATA? .STACK .ALPHA .SEQ "
            ".DOSSEG .STARTUP .EXIT",
            // operators, types, segment attributes, predefined names
            "PTR OFFSET SEG TYPE .TYPE LENGTH SIZE WIDTH MASK THIS SHORT HIGH LOW MOD EQ NE LT "
            "LE GT GE DUP BYTE WORD DWORD FWORD QWORD TBYTE NEAR FAR PARA COMMON MEMORY AT "
            "USE16 USE32 $ ? @DATA @CODE @CURSEG @FILENAME @CODESIZE @DATASIZE @FARDATA "
            "@FARDATA? @WORDSIZE @CPU @VERSION",
        };
        QSet<QByteArray> all;
        for (const char *list : lists)
            for (const QByteArray &word : QByteArray(list).split(' '))
                all.insert(word);
        return all;
    }();
    return words;
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Bytes past ASCII count as name characters: MASM refuses them outside
// strings and comments anyway, and so they stay one token.
bool isNameStart(char c)
{
    return isLetter(c) || c == '_' || c == '@' || c == '$' || c == '?' || uchar(c) >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || isDigit(c);
}

// "0AH", "1010B", "12Q", "10D" as a decimal value; a word that is no number
// stays as written.
QByteArray numberToken(const QByteArray &word)
{
    const char last = word.back();
    const int base = last == 'H'                  ? 16
                     : last == 'B' || last == 'Y' ? 2
                     : last == 'O' || last == 'Q' ? 8
                                                  : 10;
    const QByteArray digits = QByteArray("HBYOQDT").contains(last) ? word.chopped(1) : word;
    if (digits.isEmpty())
        return word;
    quint64 value = 0;
    for (const char c : digits) {
        const int digit = isDigit(c) ? c - '0' : isLetter(c) ? c - 'A' + 10 : base;
        if (digit >= base || value > 0xFFFFFFFFu)
            return word;
        value = value * base + digit;
    }
    return QByteArray::number(value);
}

struct Token
{
    QByteArray text;
    int line = 0; // 1-based
};

std::vector<Token> tokenise(const QByteArray &s)
{
    const QSet<QByteArray> &reserved = reservedWords();
    std::vector<Token> out;
    int line = 1;
    bool lineStart = true;    // nothing on this line yet: COMMENT may start here
    bool segmentLine = false; // SEGMENT seen: a STACK after it is the combine type
    const qsizetype n = s.size();
    qsizetype i = 0;
    const auto add = [&](QByteArray text) {
        out.push_back({std::move(text), line});
        lineStart = false;
    };
    while (i < n) {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
            segmentLine = false;
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\x1a') {
            ++i;
        } else if (c == ';') {
            while (i < n && s[i] != '\n')
                ++i;
        } else if (c == '\'' || c == '"') {
            // A doubled quote stands for itself.
            QByteArray text;
            for (++i; i < n && s[i] != '\n'; ++i) {
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        text += c;
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += s[i];
            }
            add(text.size() == 1 ? QByteArray::number(uchar(text[0])) : QByteArray("STR"));
        } else if (isDigit(c)) {
            const qsizetype from = i;
            while (i < n && isNameChar(s[i]))
                ++i;
            add(numberToken(s.mid(from, i - from).toUpper()));
        } else if (isNameStart(c) ||
                   ((c == '.' || c == '%') && i + 1 < n && isNameChar(s[i + 1]))) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(s[end]))
                ++end;
            const QByteArray word = s.mid(i, end - i).toUpper();
            if (!isNameStart(c) && !reserved.contains(word)) {
                // a field's dot, a number's point: the dot alone
                add(QByteArray(1, c));
                ++i;
                continue;
            }
            i = end;
            if (word == "COMMENT" && lineStart) {
                // COMMENT x ... x: all to the end of the line the second x is on
                while (i < n && (s[i] == ' ' || s[i] == '\t'))
                    ++i;
                if (i < n && s[i] != '\n' && s[i] != '\r') {
                    const char delimiter = s[i++];
                    for (; i < n && s[i] != delimiter; ++i)
                        line += s[i] == '\n';
                    while (i < n && s[i] != '\n')
                        ++i;
                }
                continue;
            }
            const bool own = word == "STACK" ? !segmentLine : !reserved.contains(word);
            segmentLine = segmentLine || word == "SEGMENT";
            add(own ? QByteArray("ID") : word);
        } else {
            add(QByteArray(1, c));
            ++i;
        }
    }
    return out;
}

// Statements every program has, whoever wrote it: the segment structure,
// the stack segment's contents, setting DS (or ES) and leaving to DOS. Drops
// their lines.
std::vector<Token> withoutSkeleton(const std::vector<Token> &tokens)
{
    static const QSet<QByteArray> structure = {
        "SEGMENT", "ENDS",   "ASSUME",   "END",       "GROUP",    "ORG",   "TITLE", "SUBTTL",
        "PAGE",    "NAME",   "DOSSEG",   ".DOSSEG",   ".MODEL",   ".CODE", ".DATA", ".DATA?",
        ".STACK",  ".CONST", ".FARDATA", ".FARDATA?", ".STARTUP", ".EXIT", ".8086", ".8087",
        ".186",    ".286",   ".286C",    ".286P",     ".287",     ".386",  ".386C", ".386P",
        ".387",    ".LIST",  ".XLIST",   ".RADIX"};
    static const QSet<QByteArray> setSegment = {"MOV DS , AX", "MOV ES , AX"};
    static const QSet<QByteArray> loadSegment = {"MOV AX , ID", "MOV AX , @DATA",
                                                 "MOV AX , SEG ID"};
    static const QSet<QByteArray> leave = {"MOV AH , 76", "MOV AX , 19456"}; // 4CH, 4C00H

    struct Statement
    {
        size_t begin, end, labelEnd; // labelEnd: past a "name:" in front
        QByteArray body;             // its tokens after that, one blank between
        bool skeleton = false;
    };
    std::vector<Statement> statements;
    for (size_t i = 0; i < tokens.size();) {
        size_t end = i;
        while (end < tokens.size() && tokens[end].line == tokens[i].line)
            ++end;
        statements.push_back({i, end, i, {}});
        i = end;
    }
    bool inStack = false, leaving = false;
    for (size_t s = 0; s < statements.size(); ++s) {
        Statement &st = statements[s];
        size_t b = st.begin;
        if (st.end - b >= 2 && tokens[b].text == "ID" && tokens[b + 1].text == ":")
            b += 2;
        st.labelEnd = b;
        QByteArrayList words;
        for (size_t i = b; i < st.end; ++i)
            words += tokens[i].text;
        st.body = words.join(' ');
        const QByteArray head = words.value(0), second = words.value(1);
        const bool named = head == "ID" && structure.contains(second);
        st.skeleton = inStack || structure.contains(head) || named;
        if (named && second == "SEGMENT" && words.contains("STACK"))
            inStack = true;
        else if (named && second == "ENDS")
            inStack = false;
        if (setSegment.contains(st.body)) {
            st.skeleton = true;
            if (s > 0 && loadSegment.contains(statements[s - 1].body))
                statements[s - 1].skeleton = true;
        }
        if (leave.contains(st.body)) {
            st.skeleton = leaving = true;
        } else if (leaving && (st.body == "INT 33" || st.body.startsWith("MOV AL , "))) {
            st.skeleton = true;
            leaving = st.body != "INT 33";
        } else {
            leaving = false;
        }
        if (st.body == "INT 32")
            st.skeleton = true;
    }
    // A label stays: it is where jumps go, whatever the line did.
    std::vector<Token> kept;
    for (const Statement &st : statements)
        kept.insert(kept.end(), tokens.begin() + st.begin,
                    tokens.begin() + (st.skeleton ? st.labelEnd : st.end));
    return kept;
}

// A program as compared: its tokens as numbers, the line each came from, and
// a hash of the k tokens from each position on.
struct Program
{
    std::vector<int> ids;
    std::vector<int> lines;
    std::vector<quint64> grams;

    int size() const { return int(ids.size()); }
    bool startsLine(int i) const { return i == 0 || lines[i - 1] != lines[i]; }
    bool endsLine(int i) const { return i + 1 == size() || lines[i + 1] != lines[i]; }
};

quint64 mixed(int id)
{
    quint64 x = quint64(id) + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

void hashGrams(Program &p, int k)
{
    constexpr quint64 base = 1'000'003;
    quint64 top = 1; // base to the power k - 1
    for (int i = 1; i < k; ++i)
        top *= base;
    p.grams.clear();
    quint64 h = 0;
    for (int i = 0; i < p.size(); ++i) {
        if (i >= k)
            h -= top * mixed(p.ids[i - k]);
        h = h * base + mixed(p.ids[i]);
        if (i + 1 >= k)
            p.grams.push_back(h);
    }
}

Program program(const QByteArray &text, QHash<QByteArray, int> &numbers, int k)
{
    Program p;
    for (const Token &t : withoutSkeleton(tokenise(text))) {
        auto number = numbers.constFind(t.text);
        if (number == numbers.cend())
            number = numbers.insert(t.text, int(numbers.size()));
        p.ids.push_back(number.value());
        p.lines.push_back(t.line);
    }
    hashGrams(p, k);
    return p;
}

// Drops every token under a k-gram found in `drop`.
void dropCovered(Program &p, const QSet<quint64> &drop, int k)
{
    std::vector<bool> gone(p.ids.size());
    for (size_t i = 0; i < p.grams.size(); ++i)
        if (drop.contains(p.grams[i]))
            std::fill(gone.begin() + i, gone.begin() + i + k, true);
    Program kept;
    for (size_t i = 0; i < gone.size(); ++i) {
        if (!gone[i]) {
            kept.ids.push_back(p.ids[i]);
            kept.lines.push_back(p.lines[i]);
        }
    }
    hashGrams(kept, k);
    p = std::move(kept);
}

struct Tile
{
    int a, b, length; // from token a of one program and b of the other
};

// Narrows a tile to whole lines on both sides, so that a run never claims
// half a statement that only happens to read the same.
Tile wholeLines(Tile t, const Program &A, const Program &B)
{
    while (t.length > 0 && !(A.startsLine(t.a) && B.startsLine(t.b))) {
        ++t.a;
        ++t.b;
        --t.length;
    }
    while (t.length > 0 && !(A.endsLine(t.a + t.length - 1) && B.endsLine(t.b + t.length - 1)))
        --t.length;
    return t;
}

// Greedy string tiling: the longest common runs first, each token used once
// on each side; runs shorter than k are left out.
std::vector<Tile> tiles(const Program &A, const Program &B, int k)
{
    QHash<quint64, std::vector<int>> at;
    for (int q = 0; q < int(B.grams.size()); ++q)
        at[B.grams[q]].push_back(q);
    const auto lower = [](const Tile &x, const Tile &y) {
        return std::tie(x.length, y.a, y.b) < std::tie(y.length, x.a, x.b);
    };
    std::priority_queue<Tile, std::vector<Tile>, decltype(lower)> queue(lower);
    const auto offer = [&](Tile t) {
        t = wholeLines(t, A, B);
        if (t.length >= k)
            queue.push(t);
    };
    for (int p = 0; p < int(A.grams.size()); ++p) {
        const auto found = at.constFind(A.grams[p]);
        if (found == at.cend())
            continue;
        for (const int q : *found) {
            if (p > 0 && q > 0 && A.ids[p - 1] == B.ids[q - 1])
                continue; // inside a run that starts earlier
            int length = 0;
            while (p + length < A.size() && q + length < B.size() &&
                   A.ids[p + length] == B.ids[q + length])
                ++length;
            offer({p, q, length});
        }
    }
    std::vector<bool> usedA(A.ids.size()), usedB(B.ids.size());
    std::vector<Tile> kept;
    while (!queue.empty()) {
        const Tile t = queue.top();
        queue.pop();
        int from = 0;
        bool whole = true;
        for (int i = 0; i <= t.length; ++i) {
            if (i < t.length && !usedA[t.a + i] && !usedB[t.b + i])
                continue;
            if (i < t.length)
                whole = false;
            if (!whole && i > from)
                offer({t.a + from, t.b + from, i - from});
            from = i + 1;
        }
        if (whole) {
            std::fill(usedA.begin() + t.a, usedA.begin() + t.a + t.length, true);
            std::fill(usedB.begin() + t.b, usedB.begin() + t.b + t.length, true);
            kept.push_back(t);
        }
    }
    return kept;
}

QStringList textLines(const QByteArray &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(text);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        decoded = gbk.isValid() ? QString(gbk.decode(text)) : QString::fromLatin1(text);
    }
    QStringList lines = decoded.split(u'\n');
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

// The tiles as runs of lines side by side, in the first program's order;
// tiles that continue one another are one run.
QList<SimilarPair::Lines> runsOfLines(const std::vector<Tile> &kept, const Program &A,
                                      const Program &B, const QByteArray &textA,
                                      const QByteArray &textB)
{
    struct Span
    {
        int a1, a2, b1, b2;
    };
    std::vector<Span> spans;
    for (const Tile &t : kept)
        spans.push_back(
            {A.lines[t.a], A.lines[t.a + t.length - 1], B.lines[t.b], B.lines[t.b + t.length - 1]});
    std::sort(spans.begin(), spans.end(), [](const Span &x, const Span &y) {
        return std::tie(x.a1, x.b1) < std::tie(y.a1, y.b1);
    });
    std::vector<Span> merged;
    for (const Span &s : spans) {
        if (!merged.empty()) {
            Span &last = merged.back();
            if (s.a1 <= last.a2 + 1 && s.b1 >= last.b1 && s.b1 <= last.b2 + 1) {
                last.a2 = std::max(last.a2, s.a2);
                last.b2 = std::max(last.b2, s.b2);
                continue;
            }
        }
        merged.push_back(s);
    }
    const QStringList linesA = textLines(textA), linesB = textLines(textB);
    QList<SimilarPair::Lines> runs;
    for (const Span &s : merged)
        runs.append({s.a1, s.b1, linesA.mid(s.a1 - 1, s.a2 - s.a1 + 1),
                     linesB.mid(s.b1 - 1, s.b2 - s.b1 + 1)});
    return runs;
}

} // namespace

QStringList normalisedTokens(const QByteArray &source)
{
    QStringList out;
    for (const Token &t : tokenise(source))
        out.append(QString::fromLatin1(t.text));
    return out;
}

QList<SimilarPair> findSimilar(const QList<SimilarSource> &sources,
                               const SimilarityOptions &options)
{
    const int k = std::max(options.minRunTokens, 1);
    const int n = int(sources.size());
    QHash<QByteArray, int> numbers;
    std::vector<Program> programs;
    for (const SimilarSource &source : sources)
        programs.push_back(program(source.text, numbers, k));

    if (!options.templateText.isEmpty()) {
        const Program given = program(options.templateText, numbers, k);
        const QSet<quint64> drop(given.grams.begin(), given.grams.end());
        for (Program &p : programs)
            dropCovered(p, drop, k);
    }
    // With many programs, what more than a quarter of them share is the
    // lesson's, not one student's.
    if (n >= 10) {
        QHash<quint64, int> holders;
        for (const Program &p : programs) {
            std::vector<quint64> own = p.grams;
            std::sort(own.begin(), own.end());
            own.erase(std::unique(own.begin(), own.end()), own.end());
            for (const quint64 h : own)
                ++holders[h];
        }
        QSet<quint64> common;
        for (auto it = holders.cbegin(); it != holders.cend(); ++it)
            if (it.value() >= std::max(5, n / 4 + 1))
                common.insert(it.key());
        if (!common.isEmpty())
            for (Program &p : programs)
                dropCovered(p, common, k);
    }

    // Which programs hold each k-gram; programs too short for two runs are
    // not compared.
    QHash<quint64, std::vector<int>> holders;
    for (int i = 0; i < n; ++i) {
        if (programs[i].size() < 2 * k)
            continue;
        for (const quint64 h : programs[i].grams) {
            std::vector<int> &list = holders[h];
            if (list.empty() || list.back() != i)
                list.push_back(i);
        }
    }
    // How many tokens of each program lie under k-grams another one holds:
    // a bound on what tiling the two can find, so only pairs that may reach
    // the threshold are tiled.
    QHash<quint64, int> covered; // i * n + j: of program i, by program j
    std::vector<int> count(n), coveredTo(n);
    for (int i = 0; i < n; ++i) {
        if (programs[i].size() < 2 * k)
            continue;
        std::vector<int> touched;
        const std::vector<quint64> &grams = programs[i].grams;
        for (int p = 0; p < int(grams.size()); ++p) {
            const auto found = holders.constFind(grams[p]);
            for (const int j : *found) {
                if (j == i)
                    continue;
                if (count[j] == 0)
                    touched.push_back(j);
                count[j] += p + k - std::max(p, coveredTo[j]);
                coveredTo[j] = p + k;
            }
        }
        for (const int j : touched) {
            covered.insert(quint64(i) * n + j, count[j]);
            count[j] = coveredTo[j] = 0;
        }
    }

    struct Found
    {
        int i, j;
        SimilarPair pair;
    };
    std::vector<Found> found;
    for (auto it = covered.cbegin(); it != covered.cend(); ++it) {
        const int i = int(it.key() / n), j = int(it.key() % n);
        if (i > j)
            continue;
        const Program &A = programs[i], &B = programs[j];
        const double shorter = std::min(A.size(), B.size());
        const int bound = std::min(it.value(), covered.value(quint64(j) * n + i));
        if (bound < options.threshold * shorter)
            continue;
        const std::vector<Tile> kept = tiles(A, B, k);
        int matched = 0;
        for (const Tile &t : kept)
            matched += t.length;
        const double overlap = std::min(1.0, matched / shorter);
        if (kept.empty() || overlap < options.threshold)
            continue;
        const QList<SimilarPair::Lines> runs =
            runsOfLines(kept, A, B, sources[i].text, sources[j].text);
        found.push_back({i, j, {sources[i].student, sources[j].student, overlap, runs}});
    }
    std::sort(found.begin(), found.end(), [](const Found &x, const Found &y) {
        return std::tuple(-x.pair.overlap, x.i, x.j) < std::tuple(-y.pair.overlap, y.i, y.j);
    });
    QList<SimilarPair> pairs;
    for (const Found &f : found)
        pairs.append(f.pair);
    return pairs;
}
