#pragma once

#include <string>

// Causes of our own beside the errno values, for files the program refuses to touch.
constexpr int kErrorNotRegularFile = 0x4001; // a folder, device, pipe or socket
constexpr int kErrorLinkNotSong = 0x4002; // a symbolic link whose target is not named .mp3
constexpr int kErrorReplacedFile = 0x4004; // another file has taken the name since it was read

// The text of an errno value or of one of the causes above.
std::string FileErrorText(int error);

// Base of the errors the platform layer throws. Thrown by value, caught by const reference.
class CException {
public:
    virtual ~CException() = default;
    virtual std::string What() const = 0;
};

// A file operation failed after the file was opened (or a rename was refused).
class CFileException : public CException {
public:
    CFileException(int osError, std::string fileName);

    std::string What() const override;

    int m_lOsError; // errno
    std::string m_strFileName;
};
