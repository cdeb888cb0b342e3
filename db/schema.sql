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
-- Text columns use the built-in NOCASE (ASCII case ignored); compared literals of the program's
-- statements also ignore trailing blanks (the connection's collation).
-- "The order the database returns them" is insertion order: tables whose row order matters
-- have no index that a query could walk instead.

-- One row per person.
CREATE TABLE custom (
    CustID      INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode    INTEGER,
    Company     TEXT(50)  COLLATE NOCASE,
    CustType    TEXT(20)  COLLATE NOCASE,
    Category    TEXT(20)  COLLATE NOCASE,
    CustLevel   TEXT(10)  COLLATE NOCASE,
    address     TEXT(100) COLLATE NOCASE,
    postcode    TEXT(10)  COLLATE NOCASE,
    tel         TEXT(50)  COLLATE NOCASE,
    fax         TEXT(50)  COLLATE NOCASE,
    url         TEXT(100) COLLATE NOCASE,
    email       TEXT(100) COLLATE NOCASE,
    MainContact TEXT(20)  COLLATE NOCASE,
    Mobile      TEXT(50)  COLLATE NOCASE,
    OtherInfo   TEXT(50)  COLLATE NOCASE,
    income      TEXT(50)  COLLATE NOCASE,
    introduce   LONGTEXT  COLLATE NOCASE,
    xueli       TEXT(20)  COLLATE NOCASE,
    qq          TEXT(20)  COLLATE NOCASE,
    sex         TEXT(10)  COLLATE NOCASE,
    F_User      TEXT(20)  COLLATE NOCASE
);
CREATE INDEX custom_CustCode ON custom(CustCode);

-- A person's contacts.
CREATE TABLE contact (
    ContactID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode    INTEGER,
    ContactName TEXT(50)  COLLATE NOCASE,
    Sex         TEXT(10)  COLLATE NOCASE,
    Duty        TEXT(50)  COLLATE NOCASE,
    Tel         TEXT(50)  COLLATE NOCASE,
    Mobile      TEXT(50)  COLLATE NOCASE,
    Email       TEXT(100) COLLATE NOCASE,
    QQ          TEXT(20)  COLLATE NOCASE,
    Address     TEXT(100) COLLATE NOCASE,
    Birthday    DATETIME,
    Memo        LONGTEXT  COLLATE NOCASE,
    F_User      TEXT(20)  COLLATE NOCASE
);
CREATE INDEX contact_CustCode ON contact(CustCode);

-- Contact activities; CustCode is a text here.
CREATE TABLE T_Schedule (
    ScheduleID   INTEGER PRIMARY KEY AUTOINCREMENT,
    CustCode     TEXT(20)  COLLATE NOCASE,
    ScheduleDate DATETIME,
    Subject      TEXT(100) COLLATE NOCASE,
    Content      LONGTEXT  COLLATE NOCASE,
    F_User       TEXT(20)  COLLATE NOCASE
);

-- Bills and their lines.
CREATE TABLE T_Bill (
    BillID   INTEGER PRIMARY KEY AUTOINCREMENT,
    BillCode TEXT(50)  COLLATE NOCASE,
    CustCode INTEGER,
    BillDate DATETIME,
    Amount   CURRENCY,
    Remark   TEXT(255) COLLATE NOCASE,
    F_User   TEXT(20)  COLLATE NOCASE
);
CREATE INDEX T_Bill_CustCode ON T_Bill(CustCode);

CREATE TABLE T_BillDetail (
    BillDetailID INTEGER PRIMARY KEY AUTOINCREMENT,
    BillCode     TEXT(50) COLLATE NOCASE,
    GoodsCode    TEXT(50) COLLATE NOCASE,
    GoodsName    TEXT(50) COLLATE NOCASE,
    Units        TEXT(30) COLLATE NOCASE,
    GoodsUnit    TEXT(50) COLLATE NOCASE,
    Number       FLOAT,
    SalePrice    FLOAT,
    Discount     FLOAT,
    SaleMoney    DECIMAL(19,4)
);
CREATE INDEX T_BillDetail_BillCode ON T_BillDetail(BillCode);

-- Goods; bill lines refer to GoodsCode, Category is a code of Goods_Category.
CREATE TABLE Goods (
    GoodsID   INTEGER PRIMARY KEY AUTOINCREMENT,
    GoodsCode TEXT(50)  COLLATE NOCASE,
    GoodsName TEXT(50)  COLLATE NOCASE,
    Category  TEXT(20)  COLLATE NOCASE,
    Units     TEXT(30)  COLLATE NOCASE,
    Price     FLOAT,
    Remark    TEXT(255) COLLATE NOCASE
);

-- The user's own unit.
CREATE TABLE info (
    id       INTEGER PRIMARY KEY AUTOINCREMENT,
    Company  TEXT(50) COLLATE NOCASE,
    Regname  TEXT(20) COLLATE NOCASE,
    Address  TEXT(50) COLLATE NOCASE,
    fax      TEXT(50) COLLATE NOCASE,
    tel      TEXT(50) COLLATE NOCASE,
    Postcode TEXT(50) COLLATE NOCASE,
    Version  TEXT(10) COLLATE NOCASE,
    name     TEXT(50) COLLATE NOCASE
);

-- Operators; username must stay the second column (the login list reads it by position).
CREATE TABLE admin (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    username TEXT(20) COLLATE NOCASE,
    password TEXT(20),
    permit   INTEGER,
    IsUser   BOOLEAN
);

-- Rights: an operator's rows in insertion order are rights 1, 2, 3 ...
CREATE TABLE T_UserAuthority (
    ID        INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName  TEXT(20) COLLATE NOCASE,
    Authority BOOLEAN
);

CREATE TABLE T_SoftInfo (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    SoftName TEXT(50) COLLATE NOCASE,
    Version  TEXT(20) COLLATE NOCASE
);

-- Grid columns and field captions.
CREATE TABLE T_FieldShow (
    ID         INTEGER PRIMARY KEY AUTOINCREMENT,
    TableName  TEXT(20) COLLATE NOCASE,
    Field      TEXT(50) COLLATE NOCASE,
    Name       TEXT(50) COLLATE NOCASE,
    Width      INTEGER,
    ShowID     INTEGER,
    show       INTEGER,
    SumField   INTEGER,
    ShowButton INTEGER
);

-- Scratch table of the import: the workbook's headers.
CREATE TABLE T_Temp (
    TempID  INTEGER PRIMARY KEY AUTOINCREMENT,
    S_Field TEXT(50) COLLATE NOCASE,
    CellID  INTEGER
);

-- Import mapping.
CREATE TABLE T_Import (
    ImportID  INTEGER PRIMARY KEY AUTOINCREMENT,
    tablename TEXT(20) COLLATE NOCASE,
    S_Field   TEXT(30) COLLATE NOCASE,
    FieldName TEXT(50) COLLATE NOCASE,
    F_Field   TEXT(50) COLLATE NOCASE
);

-- Category trees: two digits per level.
CREATE TABLE Cust_Category (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    code TEXT(10) COLLATE NOCASE UNIQUE,
    name TEXT(50) COLLATE NOCASE
);

CREATE TABLE Goods_Category (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    code TEXT(10) COLLATE NOCASE UNIQUE,
    name TEXT(50) COLLATE NOCASE
);
