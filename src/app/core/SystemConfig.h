#pragma once

#include <QString>

#include <stdexcept>

// The suite's per-installation settings from SYSTEM.DAT. Defaults are the values
// kept when the file is missing or empty.
struct SystemConfig {
    int x0 = 0;
    int y0 = 0;
    int height = 0;
    int width = 0;
    QString catchCopy1;
    QString catchCopy2;
    QString companyName;
    QString address1;
    QString address2;
    QString address3;
    QString address4;
    int closingDay = 31;
    int paymentDay = 131;
    double taxRate = 10.0;
    int fiscalMonth = 3;
    int koushuMode = 1;
    QString bugakariTanka;
    QString bugakariGenka;
    int shiireUriage = 0;
    int tankaKeta = 0;
    int genkaKeta = 0;
    QString dbpathLocal;
    QString dbpathMaster;
    QString dbpathData;
    QString password;
    QString password2;
    QString in17;
    // Backups of the product database kept before registrations ("バックアップ世代数").
    int backupsKept = 10;
    // The server's backup folder as this computer reaches it over the network
    // ("バックアップ共有フォルダー"); empty when not shared.
    QString backupShare;
    // Directory that was current when SYSTEM.DAT was read; commands return to it.
    QString startDirectory;
};

// A window-geometry key of SYSTEM.DAT that is missing or not an integer.
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads SYSTEM.DAT (Shift-JIS key=value lines). A missing or empty file leaves
// cfg untouched apart from startDirectory. Throws ConfigError when "X0", "Y0",
// "Height" or "Width" is not an integer; the keys after it are then not read.
void readSystemDat(const QString& filePath, SystemConfig& cfg);

// True when the file exists and is not empty, i.e. readSystemDat will read it.
bool systemDatPresent(const QString& filePath);

// The first `count` lines of a Shift-JIS file, each read up to `maxBytes` bytes
// (the rest of a longer line is skipped unread); CR LF, CR and LF end a line.
// Empty when the file cannot be read.
QStringList readFirstLines(const QString& filePath, int count, qint64 maxBytes = 4096);

// The longest product title the window shows; the rest is cut off.
inline constexpr int MaxTitleLength = 100;

// First line of pro_title.inf in dir (at most MaxTitleLength characters), or
// "TREVOLAN Ver 2021".
QString readProductTitle(const QString& dir);
QString applicationTitle(const QString& productTitle);
