#include "platform/exception.h"

#include <cstring>
#include <utility>

CFileException::CFileException(int osError, std::string fileName)
    : m_lOsError(osError), m_strFileName(std::move(fileName))
{
}

std::string CFileException::What() const
{
    return m_strFileName + ": " + std::strerror(m_lOsError);
}
