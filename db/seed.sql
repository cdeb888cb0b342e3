-- Rows the shipped database starts with. Insertion order is the order the program reads them.

-- Operators: Admin (empty password, full rights), a restricted operator (permit 1, sees only
-- own rows) and one operator that the login list does not offer.
INSERT INTO admin (username, password, permit, IsUser) VALUES ('Admin', '', 0, 1);
INSERT INTO admin (username, password, permit, IsUser) VALUES ('李明', '1234', 1, 1);
INSERT INTO admin (username, password, permit, IsUser) VALUES ('维护员', '8888', 0, 0);

-- Rights 1..40 per operator. Right 4: quick search; right 8: all rows in the list views;
-- right 35: every person in the person lists.
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
INSERT INTO T_UserAuthority (UserName, Authority) SELECT 'Admin', 1 FROM n ORDER BY i;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
INSERT INTO T_UserAuthority (UserName, Authority)
    SELECT '李明', CASE WHEN i IN (8, 35) THEN 0 ELSE 1 END FROM n ORDER BY i;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
INSERT INTO T_UserAuthority (UserName, Authority) SELECT '维护员', 1 FROM n ORDER BY i;

INSERT INTO T_SoftInfo (SoftName, Version) VALUES ('Vestrel个人名片管理', ' V1.0');

INSERT INTO info (Company, Regname, Address, fax, tel, Postcode, Version, name)
VALUES ('维斯特尔信息技术有限公司', 'VESTREL', '杭州市西湖区文三路 128 号', '0571-88120001',
        '0571-88120000', '310012', '1.0', '王海燕');

-- Person grid columns: Field, caption (unique), width, position, shown, footer sum, edit button.
INSERT INTO T_FieldShow (TableName, Field, Name, Width, ShowID, show, SumField, ShowButton) VALUES
    ('custom', 'CustCode',    '个人编号',   64,  0, 1, 0, 0),
    ('custom', 'Company',     '个人名称',   80,  1, 1, 0, 0),
    ('custom', 'Category',    '个人分类',   70,  2, 1, 0, 0),
    ('custom', 'CustType',    '星座',       60,  3, 1, 0, 0),
    ('custom', 'CustLevel',   '血型',       40,  4, 1, 0, 0),
    ('custom', 'OtherInfo',   '性别',       40,  5, 1, 0, 0),
    ('custom', 'xueli',       '学历',       50,  6, 1, 0, 0),
    ('custom', 'MainContact', '年龄',       40,  7, 1, 0, 0),
    ('custom', 'address',     '通讯地址',  180,  8, 1, 0, 0),
    ('custom', 'postcode',    '邮编',       60,  9, 1, 0, 0),
    ('custom', 'tel',         '联系电话',  100, 10, 1, 0, 0),
    ('custom', 'fax',         '传真号码',  100, 11, 0, 0, 0),
    ('custom', 'Mobile',      '手机号码',  100, 12, 1, 0, 0),
    ('custom', 'income',      '年收入',     70, 13, 1, 1, 0),
    ('custom', 'url',         '网址',      140, 14, 1, 0, 1),
    ('custom', 'email',       '电子信箱',  150, 15, 1, 0, 1),
    ('custom', 'qq',          'QQ号',       80, 16, 1, 0, 0),
    ('custom', 'introduce',   '个人简介',  200, 17, 1, 0, 0),
    ('custom', 'sex',         '登记性别',   50, 18, 0, 0, 0),
    ('custom', 'F_User',      '所属操作员', 70, 19, 0, 0, 0),
    ('custom', 'CustID',      '录入序号',   60, 20, 0, 0, 0);

-- Import mapping grid: the caption of each target and the workbook header mapped to it.
INSERT INTO T_FieldShow (TableName, Field, Name, Width, ShowID, show, SumField, ShowButton) VALUES
    ('import', 'FieldName', '目标字段',  150, 0, 1, 0, 0),
    ('import', 'F_Field',   'Excel列名', 180, 1, 1, 0, 0),
    ('import', 'S_Field',   '字段名',    100, 2, 0, 0, 0),
    ('import', 'ImportID',  '序号',       50, 3, 0, 0, 0);

-- Import targets: the person columns, then the contact columns; a single blank means unmapped.
INSERT INTO T_Import (tablename, S_Field, FieldName, F_Field) VALUES
    ('custom', 'Company',     '个人名称', ' '),
    ('custom', 'Category',    '个人分类', ' '),
    ('custom', 'CustType',    '星座',     ' '),
    ('custom', 'CustLevel',   '血型',     ' '),
    ('custom', 'OtherInfo',   '性别',     ' '),
    ('custom', 'xueli',       '学历',     ' '),
    ('custom', 'MainContact', '年龄',     ' '),
    ('custom', 'address',     '通讯地址', ' '),
    ('custom', 'postcode',    '邮编',     ' '),
    ('custom', 'tel',         '联系电话', ' '),
    ('custom', 'fax',         '传真号码', ' '),
    ('custom', 'Mobile',      '手机号码', ' '),
    ('custom', 'income',      '年收入',   ' '),
    ('custom', 'url',         '网址',     ' '),
    ('custom', 'email',       '电子信箱', ' '),
    ('custom', 'qq',          'QQ号',     ' '),
    ('custom', 'introduce',   '个人简介', ' '),
    ('custom', 'sex',         '登记性别', ' '),
    ('contact', 'ContactName', '联系人姓名', ' '),
    ('contact', 'Sex',         '联系人性别', ' '),
    ('contact', 'Duty',        '职务',       ' '),
    ('contact', 'Tel',         '联系人电话', ' '),
    ('contact', 'Mobile',      '联系人手机', ' '),
    ('contact', 'Email',       '联系人信箱', ' '),
    ('contact', 'QQ',          '联系人QQ',   ' '),
    ('contact', 'Address',     '联系人地址', ' '),
    ('contact', 'Memo',        '备注',       ' ');

-- Sample categories.
INSERT INTO Cust_Category (code, name) VALUES
    ('01', '亲友'),
    ('0101', '家人'),
    ('0102', '同学'),
    ('02', '同事'),
    ('0201', '现同事'),
    ('0202', '前同事'),
    ('03', '客户'),
    ('0301', '华东客户'),
    ('0302', '华南客户'),
    ('04', '其他');

INSERT INTO Goods_Category (code, name) VALUES
    ('01', '办公用品'),
    ('0101', '纸张'),
    ('02', '电子产品');

-- Sample persons.
INSERT INTO custom (CustCode, Company, CustType, Category, CustLevel, address, postcode, tel, fax, url,
                    email, MainContact, Mobile, OtherInfo, income, introduce, xueli, qq, sex, F_User) VALUES
    (1, '张伟', '狮子座', '0101', 'A型', '杭州市拱墅区湖墅南路 56 号', '310005', '0571-85012233', '',
     'www.zhangwei.cn', 'zhangwei@example.cn', '36', '13905710001', '男', '120000',
     '大学同窗，现在做软件开发。', '硕士', '10203040', '男', 'Admin'),
    (2, '王芳', '双鱼座', '0102', 'O型', '上海市徐汇区漕溪北路 88 号', '200030', '021-64380011', '021-64380012',
     '', 'wangfang@example.cn', '34', '13801820002', '女', '98000',
     '高中同学，在银行工作。', '本科', '22334455', '女', 'Admin'),
    (3, '李娜', '天秤座', '0201', 'B型', '南京市鼓楼区中山路 18 号', '210008', '025-83120088', '',
     '', 'lina@example.cn', '29', '13770250003', '女', '76000',
     '项目组同事。', '本科', '', '女', '李明'),
    (4, '刘洋', '白羊座', '0301', 'AB型', '苏州市工业园区星湖街 328 号', '215123', '0512-62880099', '0512-62880098',
     'www.liuyang-trade.com', 'liuyang@example.cn', '45', '13962120004', '男', '260000',
     '外贸公司老板，常年合作。', '大专', '55667788', '男', '李明'),
    (5, '陈静', '处女座', '02', 'A型', '杭州市滨江区江南大道 3588 号', '310051', '0571-86690077', '',
     '', 'chenjing@example.cn', '31', '13857100005', '女', '88000',
     '', '博士', '66778899', '女', 'Admin'),
    (6, '赵磊', '摩羯座', '04', 'O型', '宁波市鄞州区天童南路 1 号', '315100', '', '',
     '', '', '52', '13605740006', '男', '',
     '邻居。', '高中', '', '男', 'Admin');

INSERT INTO contact (CustCode, ContactName, Sex, Duty, Tel, Mobile, Email, QQ, Address, Birthday, Memo, F_User) VALUES
    (1, '张小雨', '女', '家属', '0571-85012233', '13905710101', '', '', '杭州市拱墅区湖墅南路 56 号', '1990-04-12 00:00:00', '', 'Admin'),
    (4, '周敏', '女', '财务', '0512-62880097', '13962120102', 'zhoumin@example.cn', '', '苏州市工业园区星湖街 328 号', NULL, '对账联系人', '李明'),
    (4, '孙强', '男', '采购经理', '0512-62880096', '13962120103', 'sunqiang@example.cn', '', '苏州市工业园区星湖街 328 号', NULL, '', '李明');

INSERT INTO T_Schedule (CustCode, ScheduleDate, Subject, Content, F_User) VALUES
    ('1', '2024-03-02 18:30:00', '同学聚会', '西湖边吃饭。', 'Admin'),
    ('4', '2024-05-20 10:00:00', '洽谈订单', '第二季度办公用品订单。', '李明');

INSERT INTO Goods (GoodsCode, GoodsName, Category, Units, Price, Remark) VALUES
    ('G0001', 'A4复印纸', '0101', '箱', 135.0, ''),
    ('G0002', '激光打印机', '02', '台', 1899.0, '');

INSERT INTO T_Bill (BillCode, CustCode, BillDate, Amount, Remark, F_User) VALUES
    ('XS20240520-01', 4, '2024-05-20 00:00:00', 2439.0, '第二季度订单', '李明'),
    ('XS20240615-01', 4, '2024-06-15 00:00:00', 270.0, '补货', '李明');

INSERT INTO T_BillDetail (BillCode, GoodsCode, GoodsName, Units, GoodsUnit, Number, SalePrice, Discount, SaleMoney) VALUES
    ('XS20240520-01', 'G0001', 'A4复印纸', '箱', '箱', 4, 135.0, 1.0, 540.0),
    ('XS20240520-01', 'G0002', '激光打印机', '台', '台', 1, 1899.0, 1.0, 1899.0),
    ('XS20240615-01', 'G0001', 'A4复印纸', '箱', '箱', 2, 135.0, 1.0, 270.0);
