#include "rendering/ngpattern.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <ctime>

struct NgPattern::Code
{
    pcre2_code *code = nullptr;
    pcre2_match_data *data = nullptr;
    ~Code()
    {
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    }
};

namespace {

// Processor time, not the clock on the wall: a match the scheduler sets aside on a busy machine
// is not charged for the wait.
qint64 ThreadNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

struct Watch
{
    qint64 budget = 0;
    qint64 start = -1;
    quint32 steps = 0;
};

// Called before every item of the pattern (automatic callouts). Reading the clock costs more
// than a short match, so only every 64th step looks, and a short subject starts the clock there.
int CheckTime(pcre2_callout_block *, void *data)
{
    auto *watch = static_cast<Watch *>(data);
    if (++watch->steps % 64 != 0)
        return 0;
    const qint64 now = ThreadNanoseconds();
    if (watch->start < 0)
        watch->start = now;
    return now - watch->start > watch->budget ? PCRE2_ERROR_CALLOUT : 0;
}

// One context for every pattern: matching happens on the thread that asks, one match at a time.
struct Context
{
    Context()
    {
        context = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(context, NgPattern::kMatchLimit);
        pcre2_set_heap_limit(context, 16 * 1024); // KiB, when there is no JIT
        stack = pcre2_jit_stack_create(32 * 1024, 512 * 1024, nullptr);
        pcre2_jit_stack_assign(context, nullptr, stack);
    }
    ~Context()
    {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
    }
    pcre2_match_context *context = nullptr;
    pcre2_jit_stack *stack = nullptr;
};

// Subjects from this length on start the clock at once: the scan between two steps grows with
// the text.
constexpr qsizetype kLongSubject = 4096;

} // namespace

NgPattern::NgPattern(const QString &pattern)
{
    if (pattern.isEmpty()) {
        m_error = QStringLiteral("パターンが空です");
        return;
    }
    if (pattern.size() > kMaxLength) {
        m_error = QStringLiteral("パターンが%1文字を超えています").arg(kMaxLength);
        return;
    }
    int code = 0;
    PCRE2_SIZE offset = 0;
    // Unicode classes, so that \w and \d take Japanese text and full-width digits; "^" and "$"
    // at every line of the post; a subject with a broken surrogate pair is searched safely.
    const uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_MULTILINE | PCRE2_MATCH_INVALID_UTF |
                             PCRE2_NEVER_BACKSLASH_C | PCRE2_AUTO_CALLOUT;
    pcre2_code *compiled =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.utf16()), PCRE2_SIZE(pattern.size()),
                      options, &code, &offset, nullptr);
    if (!compiled) {
        PCRE2_UCHAR message[256] = {};
        pcre2_get_error_message(code, message, 256);
        m_error = QStringLiteral("パターンの%1文字目が正しくありません（%2）")
                      .arg(qsizetype(offset) + 1)
                      .arg(QString::fromUtf16(reinterpret_cast<const char16_t *>(message)));
        return;
    }
    // Without JIT (no executable memory) the interpreter runs, under the same bounds.
    pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);
    m_code = std::make_shared<Code>();
    m_code->code = compiled;
    m_code->data = pcre2_match_data_create_from_pattern(compiled, nullptr);
}

NgPattern::Result NgPattern::match(const QString &subject, qint64 nanoseconds) const
{
    if (!m_code)
        return Result::NoMatch;
    static thread_local Context context;
    Watch watch;
    watch.budget = nanoseconds;
    if (subject.size() >= kLongSubject)
        watch.start = ThreadNanoseconds();
    pcre2_set_callout(context.context, &CheckTime, &watch);
    const int rc = pcre2_match(m_code->code, reinterpret_cast<PCRE2_SPTR>(subject.utf16()),
                               PCRE2_SIZE(subject.size()), 0, 0, m_code->data, context.context);
    if (rc >= 0)
        return Result::Match;
    return rc == PCRE2_ERROR_NOMATCH ? Result::NoMatch : Result::Stopped;
}
