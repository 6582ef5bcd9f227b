#include "afx.h"

#include <cstring>
#include <vector>

namespace {

[[noreturn]] void ThrowLastError() {
    throw CFileException(CFileException::genericException, static_cast<LONG>(GetLastError()));
}

}  // namespace

// ---- CFile ----

CFile::~CFile() {
    if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}

BOOL CFile::Open(const char16_t* fileName, UINT openFlags) {
    if (IsOpen()) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    DWORD access = GENERIC_READ;
    if ((openFlags & 3) == modeWrite) access = GENERIC_WRITE;
    else if ((openFlags & 3) == modeReadWrite) access = GENERIC_READ | GENERIC_WRITE;
    DWORD share = 0;
    switch (openFlags & 0x70) {
        case shareDenyWrite: share = FILE_SHARE_READ; break;
        case shareDenyRead: share = FILE_SHARE_WRITE; break;
        case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        default: break;
    }
    DWORD disposition = OPEN_EXISTING;
    if ((openFlags & modeCreate) != 0) disposition = (openFlags & modeNoTruncate) != 0 ? OPEN_ALWAYS : CREATE_ALWAYS;
    const HANDLE h = CreateFileW(fileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    m_hFile = h;
    m_strFileName = fileName;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    DWORD got = 0;
    if (!ReadFile(m_hFile, buffer, count, &got, nullptr)) ThrowLastError();
    return got;
}

void CFile::Write(const void* buffer, UINT count) {
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr)) ThrowLastError();
    if (written != count) throw CFileException(CFileException::genericException, ERROR_DISK_FULL);
}

void CFile::Flush() {
    if (!FlushFileBuffers(m_hFile)) ThrowLastError();
}

void CFile::Close() {
    if (m_hFile == INVALID_HANDLE_VALUE) return;
    const HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    m_strFileName.Empty();
    if (!CloseHandle(h)) ThrowLastError();
}

// ---- CStdioFile ----

BOOL CStdioFile::Open(const char16_t* fileName, UINT openFlags) {
    if (!CFile::Open(fileName, openFlags)) return FALSE;
    pending_.clear();
    atEnd_ = false;
    return TRUE;
}

void CStdioFile::Close() {
    pending_.clear();
    atEnd_ = false;
    CFile::Close();
}

BOOL CStdioFile::ReadString(CStringW& line) {
    size_t end = pending_.find('\n');
    while (end == std::string::npos && !atEnd_) {
        char chunk[4096];
        const UINT got = Read(chunk, sizeof chunk);
        if (got == 0) atEnd_ = true;
        const size_t from = pending_.size();
        pending_.append(chunk, got);
        const size_t at = pending_.find('\n', from);
        if (at != std::string::npos) end = at;
    }
    if (end == std::string::npos && pending_.empty()) {
        line.Empty();
        return FALSE;
    }
    std::string bytes = end == std::string::npos ? pending_ : pending_.substr(0, end);
    pending_.erase(0, end == std::string::npos ? pending_.size() : end + 1);
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    line = CStringW(bytes.c_str());
    return TRUE;
}

void CStdioFile::WriteString(const char16_t* text) {
    const CStringA bytes(text);
    if (bytes.GetLength() > 0) Write(bytes.GetString(), static_cast<UINT>(bytes.GetLength()));
}
