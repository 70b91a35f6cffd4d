#include "clinker.h"

CLinker::CLinker(QObject *parent) : QObject(parent) {}

CLinker::~CLinker() = default;

void CLinker::Close() {}

int CLinker::Read(QByteArray &, int, int)
{
    return 0;
}

int CLinker::Write(QByteArray &, int)
{
    return 0;
}

bool CLinker::IsOpen()
{
    return false;
}

bool CLinker::IsRemoved()
{
    return true;
}

bool CLinker::WaitForInput(int)
{
    return false;
}

void CLinker::WakeInputWaiters() {}
