#pragma once
// Error codes of the data file operations. Every operation leaves one of them; 0 is success.

namespace rt::isam {

inline constexpr int kNoError = 0;
inline constexpr int kFileNotFound = 2;         // Open of a file that does not exist
inline constexpr int kPathNotFound = 3;         // a folder of the path is missing
inline constexpr int kAccessDenied = 5;         // share mode conflict, or refused by the system
inline constexpr int kRecordNotAvailable = 33;  // end of a walk; no record last read to rewrite
inline constexpr int kRecordNotFound = 35;      // Get without a match
inline constexpr int kInvalidDataFile = 36;     // not a data file of this record, or a wrong key
inline constexpr int kFileNotOpen = 37;
inline constexpr int kDuplicateKey = 40;        // a unique key would hold a value twice
inline constexpr int kOtherError = 90;          // disk full, I/O error and anything else

}  // namespace rt::isam
