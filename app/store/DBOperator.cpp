#include "DBOperator.h"
#include "StoreSeams.h"

#include "MessageSeam.h"

namespace qm::store {

CDBOperator::CDBOperator(void* owner, const QString& path) : m_owner(owner), m_path(path) {}

CDBOperator::~CDBOperator() = default;

void CDBOperator::SetAutoTransaction(int flag) { m_autoTransaction = flag; }

void CDBOperator::Report(int number, const QString& text) const
{
    switch (m_reportMode) {
    case kReportLog:
        WriteProgramLog(QStringLiteral("CDBOperator"), text);
        break;
    case kReportMessage:
        qm::ShowMessageText(number, text);
        break;
    default:
        break;
    }
}

} // namespace qm::store
