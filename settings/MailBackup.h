#pragma once
// Backup to the user's own mail box and restore from it. Sending and receiving each run on one
// worker thread at a time. Workers never make windows: their boxes and the restore run on the GUI
// thread through a hidden message window, while the worker waits for the answer.
#include "settings/LocalBackup.h"

#include <windows.h>

#include <string>

inline constexpr wchar_t kMailerName[] = L"kivpad";
inline constexpr wchar_t kBackupMimeType[] = L"kivpad/backupdata";
inline constexpr wchar_t kDownloadedArchive[] = L"kivpad_backupdata.zip";

// Where the mail goes; an empty server or port 0 is the default (see MailServerOf).
struct MailServerSettings {
    std::wstring smtp_server, pop_server;
    int smtp_port = 0, pop_port = 0;
};

struct MailSendRequest {
    std::wstring account, password, attachment_path, subject, attachment_name;
    std::wstring server;
    int port = 0;
};

struct MailReceiveRequest {
    std::wstring account, password, download_folder;
    std::wstring server;
    int port = 0;
};

// prefix ("smtp." or "pop.") + the part of the account after its first "@"; empty without one.
std::wstring MailServerOf(const wchar_t* prefix, const std::wstring& account);
// The optional keys "smtpserver", "smtpport", "popserver" and "popport" of "sysconfig.xml".
MailServerSettings ReadMailServerSettings();
bool WriteMailServerSettings(const MailServerSettings& settings);

// The request of a backup named name (as the user typed it): the archive BackupDir + its archive name.
MailSendRequest MakeMailSendRequest(const std::wstring& account, const std::wstring& password,
                                    const std::wstring& name, const MailServerSettings& servers);
MailReceiveRequest MakeMailReceiveRequest(const std::wstring& account, const std::wstring& password,
                                          const std::wstring& download_folder,
                                          const MailServerSettings& servers);

// Makes the hidden message window on the calling (GUI) thread, once per process.
bool EnsureMailHostWindow();

// True while that thread runs.
bool IsMailSendRunning();
bool IsMailReceiveRunning();
// Start the thread with the request (taken over); false when one runs already or it cannot start.
bool StartMailSend(MailSendRequest request);
bool StartMailReceive(MailReceiveRequest request);
// Waits for a running thread to end while dispatching the thread's messages; for shutdown and tests.
void WaitForMailThreads(DWORD timeout_ms);

// A fresh download folder name ExeDir + stamp + "\" (not created).
std::wstring MakeDownloadFolderName();
