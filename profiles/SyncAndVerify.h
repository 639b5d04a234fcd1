#pragma once

class QSettings;

// Writes the pending changes of settings (which must use a file) through
// QSettings' atomic save, then reads the file back and compares it with what
// settings holds. On any difference the previous file is put back, or a new
// file removed. True exactly when the file holds everything settings holds.
//
// Why: QSettings writes through QSaveFile, so a crash while writing leaves the
// previous file whole. But Qt 6.4's QSaveFile commits a file whose writing
// fell short (a full disk, a quota, a file size limit) and QSettings then
// reports no error: every profile past the cut would be gone.
bool SyncAndVerify(QSettings& settings);
