#pragma once
// Takes the backup boxes for the length of a test: records each message and answers from a script
// (OK when the script has run out).
#include "settings/BackupTell.h"

#include <deque>
#include <string>
#include <vector>

class BackupCapture {
public:
    explicit BackupCapture(std::deque<int> answers = {})
        : answers_(std::move(answers)),
          previous_(SetBackupTellHook([this](HWND, const std::wstring& m, int flags) {
              asked.push_back(m);
              if (answers_.empty())
                  return static_cast<int>(kMbOk);
              const int a = answers_.front();
              answers_.pop_front();
              return (a & flags) ? a : 0;
          })) {}
    ~BackupCapture() { SetBackupTellHook(std::move(previous_)); }
    BackupCapture(const BackupCapture&) = delete;
    BackupCapture& operator=(const BackupCapture&) = delete;

    void Answer(std::deque<int> answers) { answers_ = std::move(answers); }

    std::vector<std::wstring> asked;

private:
    std::deque<int> answers_;
    BackupTellHook previous_;
};
