// The secure-job container: an encrypted secure job (wSecureMode 1, encryption through the
// printer family's encryption library, or 2, IC-card secure print) goes to the printer as a plain
// preface followed by PJL resource-write frames addressed to "SecureJobAccessor": write_start
// with the library's encryption header, a write frame per encrypted 4096-byte block of the job
// stream, and write_end. The stream reaches the container through SpoolWrite (output.h), which
// stages the bytes of a secure job in the PDEV's encryption staging buffer.
//
// The library comes from the path the user-interface library sends with DRVESC_CRYPTO_DLL_PATH
// and is taken only from the rendering library's own folder. A secure job whose library cannot be
// used fails (JOBSTATUS_FAILED): its data is never sent in plain nor silently dropped. Raster jobs
// never stage; the container belongs to vector mode.
#pragma once
#include <windows.h>

#include "crypto_api.h"

struct PDEV;

// The job's secure mode (DEVMODE wSecureMode).
constexpr WORD SECUREMODE_NONE = 0;
constexpr WORD SECUREMODE_LIBRARY = 1;  // encrypted through the encryption library
constexpr WORD SECUREMODE_ICCARD = 2;   // IC-card secure print

// Bytes of the preface buffer.
constexpr DWORD SECURE_PREFACE_BYTES = 2048;

// The encryption library's session of a secure job, in the PDEV.
struct SECUREJOB {
    HMODULE library;           // the loaded encryption library, NULL when not loaded
    CRYPTHANDLE handle;        // from CreateEncryption
    PFN_CreateEncryption CreateEncryption;
    PFN_InitEncryption InitEncryption;
    PFN_InitEncryptionEx InitEncryptionEx;
    PFN_InitEncryptionEx2 InitEncryptionEx2;  // optional
    PFN_UpdateEncryption UpdateEncryption;
    PFN_EndEncryption EndEncryption;
    PFN_DeleteEncryption DeleteEncryption;
    PFN_EncryptPassword EncryptPassword;
    PFN_DecryptPassword DecryptPassword;
    DWORD startPending;        // the container opens at the first byte written
    DWORD open;                // the writer emits framing or plain lines: SpoolWrite takes the plain path
    char* preface;             // SECURE_PREFACE_BYTES global block: the plain preface text
    DWORD prefaceLength;       // bytes of preface text
};

// Whether SpoolWrite stages the PDEV's bytes: a vector-mode secure job outside the writer's own
// plain output.
BOOL IsSecureStaging(const PDEV* pdev);

// StartDoc of a vector-mode job: a fresh staging buffer, the preface buffer when there is none,
// and for a secure job the container's start at the first byte. Raster jobs get nothing (TRUE).
// FALSE when memory is short.
BOOL PrepareSecureJob(PDEV* pdev);

// Loads the encryption library, opens its session and writes the write_start frame. The caller
// has set the open flag, so every write here is plain. TRUE for a job that is not secure; FALSE
// when the path is missing or outside the library's folder, the library cannot be loaded, a
// mandatory entry point is missing or the init call fails (nothing is kept loaded then).
BOOL StartSecureJob(PDEV* pdev);
// Writes the preface (then frees it) and the information lines.
void WriteSecurePreface(PDEV* pdev);
// The keeping-time line and, for IC-card jobs, the IC-card comment.
void WriteSecureInfoLine(PDEV* pdev);
// Encrypts the staged bytes into one write frame. TRUE when nothing is staged; FALSE for a NULL
// PDEV, a failed encryption or staged bytes without an open container (the job is marked failed).
BOOL FlushEncryptionStaging(PDEV* pdev);
// Closes the container at EndDoc: the last block, write_end, the end-of-job line; releases the
// library. TRUE for a job that is not secure; FALSE unless the session was deleted as it should.
BOOL EndSecureJob(PDEV* pdev);

// DrvResetPDEV during a document: encrypts what is staged and moves the session, the staging
// buffer, the preface and the PIN blob to the successor, which continues the container.
void MoveSecureJob(PDEV* from, PDEV* to);
// Frees what the secure job holds (session, library, staging and preface buffers).
void ReleaseSecureJob(PDEV* pdev);
