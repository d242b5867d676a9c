#pragma once
// One error type for everything the original raised as a numbered runtime or
// database error. Handlers catch it and branch on number(), the way the
// original's handlers branched on Err.Number.

#include <QString>
#include <exception>
#include <string>

namespace wk {

class Error : public std::exception {
public:
    Error(int number, QString description)
        : number_(number),
          description_(std::move(description)),
          what_(QStringLiteral("%1: %2").arg(number_).arg(description_).toStdString()) {}

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

    // Set by the database layer when SQLite gave up the whole transaction
    // the error happened in (a full disk, an I/O error): nothing of it can
    // be committed, so the error is never one to pass over and go on.
    bool endedTransaction() const noexcept { return endedTransaction_; }
    void setEndedTransaction() noexcept { endedTransaction_ = true; }

private:
    int number_;
    QString description_;
    std::string what_;
    bool endedTransaction_ = false;
};

// Error numbers the program matches on.
namespace err {
constexpr int Overflow = 6;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int ResourceNotFound = 326;
constexpr int ObjectInvalid = 3420;
constexpr int NoCurrentRecord = 3021;
constexpr int DuplicateKey = 3022;
constexpr int FileNotFound = 3024;
constexpr int DiskFull = 3026;
constexpr int NotValidPassword = 3031;
constexpr int DiskError = 3043;
constexpr int PathNotValid = 3044;
constexpr int CannotOpenDatabase = 3049;
constexpr int FileLocked = 3051;
constexpr int FieldTooSmall = 3163;
constexpr int LockedBySession = 3260;
constexpr int DatabaseExists = 3204;
constexpr int ItemNotFound = 3265;
constexpr int DialogCancelled = 32755;
}  // namespace err

}  // namespace wk
