// portable: no platform headers.
#pragma once

namespace ostrya {

// Shows a system error to the user: a message box in the window program, standard error on
// the command line.
class ErrorPresenter {
 public:
  virtual ~ErrorPresenter() = default;
  // Returns the button pressed.
  virtual int present(void* owner, const char* text, const char* caption) = 0;
  // The same with a choice to try again; true when the user takes it. Where nobody can answer,
  // the error is shown and the answer is no.
  virtual bool presentWithRetry(void* owner, const char* text, const char* caption) {
    present(owner, text, caption);
    return false;
  }
};

void setErrorPresenter(ErrorPresenter* presenter);

// Shows the system's text for the error code (0: the thread's last error), captioned with the
// file-name part of `title` (the program's name without one). Returns the button pressed, 0
// when the code is 0, and 2 when the system has no text for it.
int showSystemError(void* owner, int code, const char* title);
// The same with a choice to try again: true when the user takes it, false for any other answer
// and when there is nothing to show.
bool offerRetryAfterSystemError(void* owner, int code, const char* title);

}  // namespace ostrya
