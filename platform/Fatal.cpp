#include "platform/Fatal.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

namespace ld {

namespace {

const char* g_program = "luminodrift";

// Written with write(2): nothing here may allocate.
void Say(const char* text) {
  for (size_t left = std::strlen(text); left > 0;) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

[[noreturn]] void EndOnUncaught() {
  bool outOfMemory = false;
  const char* what = nullptr;
  if (const std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
  }
  if (outOfMemory) {
    ReportOutOfMemory();
  } else {
    Say(g_program);
    Say(" : erreur inattendue, le programme s'arrête");
    if (what) {
      Say(" (");
      Say(what);
      Say(")");
    }
    Say(".\n");
  }
  std::_Exit(1);
}

}  // namespace

void ReportOutOfMemory() {
  Say(g_program);
  Say(" : mémoire insuffisante (ou limite de l'espace d'adressage atteinte, ulimit -v), le "
      "programme s'arrête.\n");
}

void EndCleanlyOnUncaughtException(const char* program) {
  g_program = program;
  std::set_terminate(&EndOnUncaught);
}

}  // namespace ld
