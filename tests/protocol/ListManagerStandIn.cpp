// Stand-in definitions of the contact list for test builds made before its
// implementation is part of the tree: the tests mock every operation, but the
// base class still needs its constructor, destructor and table. Built only
// while session/CListManager.cpp does not exist.
#include "session/CListManager.h"

CListManager::CListManager(SkypeLink* link, ContactActionSink* contactActions)
    : m_pLink(link), m_pContactActions(contactActions) {}
CListManager::~CListManager() = default;
void CListManager::SetContactActionSink(ContactActionSink* contactActions) {
    m_pContactActions = contactActions;
}

HResult CListManager::AppendContact(const char*, int) {
    return E_FAIL;
}
HResult CListManager::AddContact(const char*, int) {
    return E_FAIL;
}
HResult CListManager::RemoveContact(const char*) {
    return E_FAIL;
}
HResult CListManager::ClearContacts() {
    return E_FAIL;
}
HResult CListManager::SetContactStatus(const char*, int) {
    return E_FAIL;
}
HResult CListManager::GetSelectedContactStatus(int*) {
    return E_FAIL;
}
HResult CListManager::ResetContactCursor() {
    return E_FAIL;
}
HResult CListManager::GetContactCount(int*) {
    return E_FAIL;
}
HResult CListManager::GetContactAt(int, char*, int*) {
    return E_FAIL;
}
HResult CListManager::SetCallerHandle(const char*) {
    return E_FAIL;
}
HResult CListManager::ReadCallerHandleChar(char*) {
    return E_FAIL;
}
HResult CListManager::SetCallerName(const char*) {
    return E_FAIL;
}
HResult CListManager::GetCallerName(char*) {
    return E_FAIL;
}
HResult CListManager::ReadSelectedContactHandleChar(char*) {
    return E_FAIL;
}
HResult CListManager::SetBrowseAllContacts(int) {
    return E_FAIL;
}
HResult CListManager::GetSelectedContactHandle(char*) {
    return E_FAIL;
}
HResult CListManager::SelectNextContact(int, int) {
    return E_FAIL;
}
HResult CListManager::SetContactName(const char*, const char*, int) {
    return E_FAIL;
}
HResult CListManager::GetSelectedContactName(char*) {
    return E_FAIL;
}
HResult CListManager::LoadContacts(const char*) {
    return E_FAIL;
}
HResult CListManager::ResortByStatus(int, int) {
    return E_FAIL;
}
HResult CListManager::ResortByName(int) {
    return E_FAIL;
}
HResult CListManager::ResortByHandle(int) {
    return E_FAIL;
}
HResult CListManager::SetBalance(int) {
    return E_FAIL;
}
HResult CListManager::GetBalance(int*) {
    return E_FAIL;
}
HResult CListManager::PostAllContacts() {
    return E_FAIL;
}
HResult CListManager::PostReachableContacts() {
    return E_FAIL;
}
HResult CListManager::Nop() {
    return E_FAIL;
}
