#pragma once

#include <string>
#include <vector>

class Session;

// The files one batch could not change, gathered while the batch runs, so that it ends with
// one message instead of rows that silently show what their files do not hold. While a
// FailedRows lives, every ReportRowFailure lands in it (the innermost one, when batches nest).
class FailedRows {
public:
    struct Failure {
        std::string m_strPath;
        std::string m_strReason;
    };

    FailedRows();
    ~FailedRows();
    FailedRows(const FailedRows&) = delete;
    FailedRows& operator=(const FailedRows&) = delete;

    // The collector failures go to now; null outside a batch.
    static FailedRows* Current();

    void Add(const std::string& path, const std::string& reason);
    const std::vector<Failure>& Failures() const { return m_failures; }

    // Ends the batch: when anything failed, one message box with the count and the first few
    // files and reasons. Nothing is shown when the front end reports each failure as it
    // happens (the CLI, through SetRowFailureHandler).
    void ShowIfAny(Session& session) const;

    // The message box's text for these failures.
    static std::string MessageText(const std::vector<Failure>& failures);

private:
    std::vector<Failure> m_failures;
    FailedRows* m_pOuter;
};

// Why the file at path could not be changed, when the file layer gave no reason: what the
// file system says about the file and its folder now.
std::string ExplainFailure(const std::string& path);
