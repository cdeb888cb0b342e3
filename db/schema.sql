-- Tables of the shipped database DataBase/Custom.mdb (an SQLite file).
--
-- Declared types give the field types of the data-set layer:
--   INTEGER            integer field (INTEGER PRIMARY KEY AUTOINCREMENT: auto-number, read-only)
--   TEXT(n)            wide string field of size n
--   LONGTEXT           memo field
--   BOOLEAN            boolean field, stored as 1/0
--   FLOAT              float field
--   CURRENCY           currency field
--   DECIMAL(19,4)      BCD field
--   DATETIME           date-time field, stored as 'yyyy-mm-dd hh:nn:ss'
-- Every text column compares without regard to ASCII case and trailing blanks (NOCASE_RTRIM).
-- "The order the database returns them" is insertion order: tables whose row order matters
-- have no index that a query could walk instead.

-- One row per person.
CREATE TABLE custom (
    CustID      INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode    INTEGER,
    Company     TEXT(50)  COLLATE NOCASE_RTRIM,
    CustType    TEXT(20)  COLLATE NOCASE_RTRIM,
    Category    TEXT(20)  COLLATE NOCASE_RTRIM,
    CustLevel   TEXT(10)  COLLATE NOCASE_RTRIM,
    address     TEXT(100) COLLATE NOCASE_RTRIM,
    postcode    TEXT(10)  COLLATE NOCASE_RTRIM,
    tel         TEXT(50)  COLLATE NOCASE_RTRIM,
    fax         TEXT(50)  COLLATE NOCASE_RTRIM,
    url         TEXT(100) COLLATE NOCASE_RTRIM,
    email       TEXT(100) COLLATE NOCASE_RTRIM,
    MainContact TEXT(20)  COLLATE NOCASE_RTRIM,
    Mobile      TEXT(50)  COLLATE NOCASE_RTRIM,
    OtherInfo   TEXT(50)  COLLATE NOCASE_RTRIM,
    income      TEXT(50)  COLLATE NOCASE_RTRIM,
    introduce   LONGTEXT  COLLATE NOCASE_RTRIM,
    xueli       TEXT(20)  COLLATE NOCASE_RTRIM,
    qq          TEXT(20)  COLLATE NOCASE_RTRIM,
    sex         TEXT(10)  COLLATE NOCASE_RTRIM,
    F_User      TEXT(20)  COLLATE NOCASE_RTRIM
);
CREATE INDEX custom_CustCode ON custom(CustCode);

-- A person's contacts.
CREATE TABLE contact (
    ContactID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode    INTEGER,
    ContactName TEXT(50)  COLLATE NOCASE_RTRIM,
    Sex         TEXT(10)  COLLATE NOCASE_RTRIM,
    Duty        TEXT(50)  COLLATE NOCASE_RTRIM,
    Tel         TEXT(50)  COLLATE NOCASE_RTRIM,
    Mobile      TEXT(50)  COLLATE NOCASE_RTRIM,
    Email       TEXT(100) COLLATE NOCASE_RTRIM,
    QQ          TEXT(20)  COLLATE NOCASE_RTRIM,
    Address     TEXT(100) COLLATE NOCASE_RTRIM,
    Birthday    DATETIME,
    Memo        LONGTEXT  COLLATE NOCASE_RTRIM,
    F_User      TEXT(20)  COLLATE NOCASE_RTRIM
);
CREATE INDEX contact_CustCode ON contact(CustCode);

-- Contact activities; CustCode is a text here.
CREATE TABLE T_Schedule (
    ScheduleID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode     TEXT(20)  COLLATE NOCASE_RTRIM,
    ScheduleDate DATETIME,
    Subject      TEXT(100) COLLATE NOCASE_RTRIM,
    Content      LONGTEXT  COLLATE NOCASE_RTRIM,
    F_User       TEXT(20)  COLLATE NOCASE_RTRIM
);

-- Bills and their lines.
CREATE TABLE T_Bill (
    BillID   INTEGER PRIMARY KEY AUTOINCREMENT,
    BillCode TEXT(50)  COLLATE NOCASE_RTRIM,
    CustCode INTEGER,
    BillDate DATETIME,
    Amount   CURRENCY,
    Remark   TEXT(255) COLLATE NOCASE_RTRIM,
    F_User   TEXT(20)  COLLATE NOCASE_RTRIM
);
CREATE INDEX T_Bill_CustCode ON T_Bill(CustCode);

CREATE TABLE T_BillDetail (
    BillDetailID INTEGER PRIMARY KEY AUTOINCREMENT,
    BillCode     TEXT(50) COLLATE NOCASE_RTRIM,
    GoodsCode    TEXT(50) COLLATE NOCASE_RTRIM,
    GoodsName    TEXT(50) COLLATE NOCASE_RTRIM,
    Units        TEXT(30) COLLATE NOCASE_RTRIM,
    GoodsUnit    TEXT(50) COLLATE NOCASE_RTRIM,
    Number       FLOAT,
    SalePrice    FLOAT,
    Discount     FLOAT,
    SaleMoney    DECIMAL(19,4)
);
CREATE INDEX T_BillDetail_BillCode ON T_BillDetail(BillCode);

-- Goods; bill lines refer to GoodsCode, Category is a code of Goods_Category.
CREATE TABLE Goods (
    GoodsID   INTEGER PRIMARY KEY AUTOINCREMENT,
    GoodsCode TEXT(50)  COLLATE NOCASE_RTRIM,
    GoodsName TEXT(50)  COLLATE NOCASE_RTRIM,
    Category  TEXT(20)  COLLATE NOCASE_RTRIM,
    Units     TEXT(30)  COLLATE NOCASE_RTRIM,
    Price     FLOAT,
    Remark    TEXT(255) COLLATE NOCASE_RTRIM
);

-- The user's own unit.
CREATE TABLE info (
    id       INTEGER PRIMARY KEY AUTOINCREMENT,
    Company  TEXT(50) COLLATE NOCASE_RTRIM,
    Regname  TEXT(20) COLLATE NOCASE_RTRIM,
    Address  TEXT(50) COLLATE NOCASE_RTRIM,
    fax      TEXT(50) COLLATE NOCASE_RTRIM,
    tel      TEXT(50) COLLATE NOCASE_RTRIM,
    Postcode TEXT(50) COLLATE NOCASE_RTRIM,
    Version  TEXT(10) COLLATE NOCASE_RTRIM,
    name     TEXT(50) COLLATE NOCASE_RTRIM
);

-- Operators; username must stay the second column (the login list reads it by position).
CREATE TABLE admin (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    username TEXT(20) COLLATE NOCASE_RTRIM,
    password TEXT(20),
    permit   INTEGER,
    IsUser   BOOLEAN
);

-- Rights: an operator's rows in insertion order are rights 1, 2, 3 ...
CREATE TABLE T_UserAuthority (
    ID        INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName  TEXT(20) COLLATE NOCASE_RTRIM,
    Authority BOOLEAN
);

CREATE TABLE T_SoftInfo (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    SoftName TEXT(50) COLLATE NOCASE_RTRIM,
    Version  TEXT(20) COLLATE NOCASE_RTRIM
);

-- Grid columns and field captions.
CREATE TABLE T_FieldShow (
    ID         INTEGER PRIMARY KEY AUTOINCREMENT,
    TableName  TEXT(20) COLLATE NOCASE_RTRIM,
    Field      TEXT(50) COLLATE NOCASE_RTRIM,
    Name       TEXT(50) COLLATE NOCASE_RTRIM,
    Width      INTEGER,
    ShowID     INTEGER,
    show       INTEGER,
    SumField   INTEGER,
    ShowButton INTEGER
);

-- Scratch table of the import: the workbook's headers.
CREATE TABLE T_Temp (
    TempID  INTEGER PRIMARY KEY AUTOINCREMENT,
    S_Field TEXT(50) COLLATE NOCASE_RTRIM,
    CellID  INTEGER
);

-- Import mapping.
CREATE TABLE T_Import (
    ImportID  INTEGER PRIMARY KEY AUTOINCREMENT,
    tablename TEXT(20) COLLATE NOCASE_RTRIM,
    S_Field   TEXT(30) COLLATE NOCASE_RTRIM,
    FieldName TEXT(50) COLLATE NOCASE_RTRIM,
    F_Field   TEXT(50) COLLATE NOCASE_RTRIM
);

-- Category trees: two digits per level.
CREATE TABLE Cust_Category (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    code TEXT(10) COLLATE NOCASE_RTRIM UNIQUE,
    name TEXT(50) COLLATE NOCASE_RTRIM
);

CREATE TABLE Goods_Category (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    code TEXT(10) COLLATE NOCASE_RTRIM UNIQUE,
    name TEXT(50) COLLATE NOCASE_RTRIM
);
