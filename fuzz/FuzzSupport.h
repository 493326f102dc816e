#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class SettingsStore;
class TDataShare;

// What every fuzz target needs before its first input: a Qt application, a
// private home for settings and data, a fixed time zone and display locale,
// and a user interface that answers every box without a window.
void PrepareFuzzProcess();

// The process's scratch folder (removed at exit).
QString FuzzFolder();

// The input as bytes (copied: Qt keeps no pointer into the fuzzer's buffer).
QByteArray FuzzBytes(const std::uint8_t *data, std::size_t size);

// Writes bytes to a file of the scratch folder; returns its full path.
QString WriteFuzzFile(const QString &name, const QByteArray &bytes);

// A fresh, empty catalog database in the scratch folder, with its own
// settings; deleted with the object.
class FuzzDatabase
{
public:
    FuzzDatabase();
    ~FuzzDatabase();
    TDataShare &Data() { return *m_data; }

private:
    QString m_folder;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TDataShare> m_data;
};

// Aborts with the text when a target's own check fails, so that the fuzzer
// keeps the input as a crash.
void FuzzCheck(bool condition, const char *what);
