#pragma once

#include <string>

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
