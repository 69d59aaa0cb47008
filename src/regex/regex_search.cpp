// portable: no platform headers.
#include "regex/regex_search.h"

#include <new>
#include <utility>

#include <pcre2.h>

namespace ostrya {
namespace {

// Positions are never read. A pattern with more groups still matches: the library then
// reports 0, which counts as a hit.
constexpr uint32_t kSubstringPairs = 33;

// Large enough that ordinary patterns never leave the JIT; a pattern that backtracks deeper is
// handed to the interpreter, whose limits are the library's own.
constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 1024 * 1024;

// The interpreter's backtracking memory, in KiB. The library's own default (some 20 GB) lets
// one pathological pattern over a large file take all memory; past this bound the file counts
// as not searched, as for any resource limit.
constexpr uint32_t kHeapLimitKiB = 128 * 1024;

}  // namespace

struct RegexPattern::Compiled {
  pcre2_code* code = nullptr;
  // Reused for every file: the pattern never leaves its run's thread.
  pcre2_match_data* matchData = nullptr;
  // Carries the heap limit, and the JIT stack where the JIT takes the pattern.
  pcre2_match_context* matchContext = nullptr;
  pcre2_jit_stack* jitStack = nullptr;

  ~Compiled() {
    pcre2_match_context_free(matchContext);
    pcre2_jit_stack_free(jitStack);
    pcre2_match_data_free(matchData);
    pcre2_code_free(code);
  }

  // A pattern the JIT cannot take, or a build without it, is matched by the interpreter. Without
  // a stack of its own the JIT would backtrack in 32 KiB of the thread's stack, which whole
  // files exhaust quickly.
  void prepareJit() {
    if (pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) != 0) return;
    jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
    if (matchContext != nullptr && jitStack != nullptr)
      pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
  }

  int match(const uint8_t* subject, std::size_t length, uint32_t options) const {
    return pcre2_match(code, subject, length, 0, options, matchData, matchContext);
  }
};

RegexPattern::RegexPattern(std::unique_ptr<Compiled> compiled) : compiled_(std::move(compiled)) {}

RegexPattern::~RegexPattern() = default;

namespace {

// The library's newline convention is a build choice; "." and "$" must treat only a line feed
// as a line end whatever build is linked. The context's character tables stay the built-in
// C-locale ones, so only A-Z and a-z fold and bytes from 128 up match only themselves.
pcre2_code* compileText(const char* text, bool caseSensitive, int& errorCode,
                        PCRE2_SIZE& errorOffset) {
  using CompileContext =
      std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)>;
  CompileContext context(pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
  if (!context) {
    errorCode = PCRE2_ERROR_NOMEMORY;
    return nullptr;
  }
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  return pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text), PCRE2_ZERO_TERMINATED,
                       caseSensitive ? 0 : PCRE2_CASELESS, &errorCode, &errorOffset, context.get());
}

}  // namespace

std::string patternProblem(const char* text, bool caseSensitive) {
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = compileText(text, caseSensitive, errorCode, errorOffset);
  if (code != nullptr) {
    pcre2_code_free(code);
    return std::string();
  }
  PCRE2_UCHAR message[256];
  if (pcre2_get_error_message(errorCode, message, sizeof message) < 0) message[0] = 0;
  return std::string(reinterpret_cast<const char*>(message)) + " at offset " +
         std::to_string(errorOffset);
}

std::unique_ptr<RegexPattern> compilePattern(const char* text, bool caseSensitive) {
  auto compiled =
      std::unique_ptr<RegexPattern::Compiled>(new (std::nothrow) RegexPattern::Compiled);
  if (!compiled) return nullptr;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  compiled->code = compileText(text, caseSensitive, errorCode, errorOffset);
  if (compiled->code == nullptr) return nullptr;
  compiled->matchData = pcre2_match_data_create(kSubstringPairs, nullptr);
  compiled->matchContext = pcre2_match_context_create(nullptr);
  if (compiled->matchData == nullptr || compiled->matchContext == nullptr) return nullptr;
  pcre2_set_heap_limit(compiled->matchContext, kHeapLimitKiB);
  compiled->prepareJit();
  return std::unique_ptr<RegexPattern>(new (std::nothrow) RegexPattern(std::move(compiled)));
}

PatternSearch searchPattern(const RegexPattern* pattern, const uint8_t* subject,
                            std::size_t length) {
  if (pattern == nullptr) return PatternSearch::NotFound;
  const RegexPattern::Compiled& compiled = *pattern->compiled_;
  int result = compiled.match(subject, length, 0);
  // A file must not be missed because the JIT ran out of stack where the interpreter, with its
  // heap-based backtracking, still finds the match.
  if (result == PCRE2_ERROR_JIT_STACKLIMIT) result = compiled.match(subject, length, PCRE2_NO_JIT);
  if (result >= 0) return PatternSearch::Found;
  if (result == PCRE2_ERROR_MATCHLIMIT || result == PCRE2_ERROR_DEPTHLIMIT ||
      result == PCRE2_ERROR_HEAPLIMIT || result == PCRE2_ERROR_JIT_STACKLIMIT ||
      result == PCRE2_ERROR_NOMEMORY)
    return PatternSearch::LimitReached;
  return PatternSearch::NotFound;
}

}  // namespace ostrya
