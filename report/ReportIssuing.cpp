#include "report/ReportIssuing.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include "report/ReportContent.h"
#include "report/ServiceReport.h"

namespace {

class ContentHash {
  public:
    void Add(const QString& text) {
        hash_.addData(text.toUtf8());
        hash_.addData(QByteArrayView("\0", 1));
    }
    void Add(long long number) { Add(QString::number(number)); }
    QString Hex() const { return QString::fromLatin1(hash_.result().toHex()); }

  private:
    QCryptographicHash hash_{QCryptographicHash::Sha256};
};

}  // namespace

bool ReportIssuing::UseIssuer(ServiceReport& report, const Issuer& kept) {
    if (!report.issuer.IsEmpty() || kept.IsEmpty()) {
        return false;
    }
    report.issuer = kept;
    if (report.procedure.isEmpty()) {
        report.procedure = kept.procedure;
        report.procedureRevision = kept.procedureRevision;
    }
    return true;
}

QString ReportIssuing::ContentSha256(const ServiceReport& report) {
    ServiceReport unissued = report;
    unissued.dateOfIssue = QDateTime();
    unissued.revision = {};
    const ReportContent content = ReportContent::From(unissued);
    ContentHash hash;
    hash.Add(content.title);
    hash.Add(content.numberLine);
    hash.Add(content.instrumentLine);
    for (const ReportContent::Block& block : content.blocks) {
        hash.Add(static_cast<long long>(block.kind));
        hash.Add(static_cast<long long>(block.style));
        hash.Add(block.text);
        hash.Add(block.headings.size());
        for (const QString& heading : block.headings) {
            hash.Add(heading);
        }
        hash.Add(static_cast<long long>(block.rows.size()));
        for (const ReportContent::Row& row : block.rows) {
            hash.Add(static_cast<long long>(row.size()));
            for (const ReportContent::Cell& cell : row) {
                hash.Add(cell.text);
                hash.Add(cell.detail);
            }
        }
        hash.Add(block.signers.size());
        for (const QString& signer : block.signers) {
            hash.Add(signer);
        }
    }
    return hash.Hex();
}

void ReportIssuing::Prepare(ServiceReport& report, const QDateTime& time) {
    report.dateOfIssue = time.toOffsetFromUtc(time.offsetFromUtc());
    report.revision = ReportIssues::Next(report.issues, ContentSha256(report));
}

ReportIssues::Issue ReportIssuing::Issued(const ServiceReport& report, const QString& file) {
    ReportIssues::Issue issue{
        report.reportNumber, report.revision.number,
        report.dateOfIssue,  file.isEmpty() ? QString() : QFileInfo(file).fileName(),
        QString(),           ContentSha256(report)};
    QFile written(file);
    if (!file.isEmpty() && written.open(QIODevice::ReadOnly)) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&written);
        issue.sha256 = QString::fromLatin1(hash.result().toHex());
    }
    return issue;
}
