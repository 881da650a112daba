#include "platform/exception.h"

#include <cstring>
#include <utility>

CFileException::CFileException(int osError, std::string fileName)
    : m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

std::string FileErrorText(int error)
{
    switch (error) {
    case kErrorNotRegularFile:
        return "not a regular file";
    case kErrorLinkNotSong:
        return "a symbolic link to a file whose name does not end in .mp3";
    case kErrorReplacedFile:
        return "another file has taken its name since it was read";
    default:
        return std::strerror(error);
    }
}

std::string CFileException::What() const
{
    return m_strFileName + ": " + FileErrorText(m_lOsError);
}
