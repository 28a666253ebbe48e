#pragma once

#include <QString>
#include <stdexcept>

namespace ld {

// The one exception type of the program. It carries the French text that the
// user sees in the "Erreur" box; every entry point that Qt calls catches it at
// its own boundary (Tdiapo::Guarded for the window), so the handler in progress
// stops and the program goes on.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& message() const { return message_; }

 private:
  QString message_;
};

// Thrown by the recording stand-in of the process end, so that, in tests,
// nothing after "the process ends" runs either. The real implementation ends
// the process and never throws it.
class ProcessEnded : public std::exception {
 public:
  explicit ProcessEnded(int code) : code_(code) {}
  int code() const { return code_; }
  const char* what() const noexcept override { return "process ended"; }

 private:
  int code_;
};

// "'%s' n'est pas une valeur entière correcte"
QString NotAnIntegerMessage(const QString& text);
// "Impossible de créer le fichier %s"
QString CannotCreateFileMessage(const QString& path);
// The system's reason for a failed file operation (an errno value), in
// French, as it is put in brackets after the message that names the file.
QString SystemErrorReason(int error);
// The refusal of a text with a line break where the file holds one item per
// line.
QString LineBreakRefusedMessage(const QString& text, const QString& path);

}  // namespace ld
