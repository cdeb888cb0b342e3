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

-- Person grid columns: Field, caption (unique), width, position, shown, footer sum, edit button. Each
-- width holds the caption beside a sort marker with its number.
INSERT INTO T_FieldShow (TableName, Field, Name, Width, ShowID, show, SumField, ShowButton) VALUES
    ('custom', 'CustCode',    '个人编号',   80,  0, 1, 0, 0),
    ('custom', 'Company',     '个人名称',   90,  1, 1, 0, 0),
    ('custom', 'Category',    '个人分类',   80,  2, 1, 0, 0),
    ('custom', 'CustType',    '星座',       60,  3, 1, 0, 0),
    ('custom', 'CustLevel',   '血型',       56,  4, 1, 0, 0),
    ('custom', 'OtherInfo',   '性别',       56,  5, 1, 0, 0),
    ('custom', 'xueli',       '学历',       56,  6, 1, 0, 0),
    ('custom', 'MainContact', '年龄',       56,  7, 1, 0, 0),
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
    ('custom', 'sex',         '登记性别',   80, 18, 0, 0, 0),
    ('custom', 'F_User',      '所属操作员', 96, 19, 0, 0, 0),
    ('custom', 'CustID',      '录入序号',   80, 20, 0, 0, 0);

-- Import mapping grid: the caption of each target and the workbook header mapped to it.
INSERT INTO T_FieldShow (TableName, Field, Name, Width, ShowID, show, SumField, ShowButton) VALUES
    ('import', 'FieldName', '目标字段',  150, 0, 1, 0, 0),
    ('import', 'F_Field',   'Excel列名', 180, 1, 1, 0, 0),
    ('import', 'S_Field',   '字段名',    100, 2, 0, 0, 0),
    ('import', 'ImportID',  '序号',       56, 3, 0, 0, 0);

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

-- Deeper levels and one more branch, added after the first samples.
INSERT INTO Cust_Category (code, name) VALUES
    ('010201', '大学同学'),
    ('010202', '高中同学'),
    ('030101', '上海客户'),
    ('030102', '杭州客户'),
    ('030201', '广州客户'),
    ('030202', '深圳客户'),
    ('05', '服务机构'),
    ('0501', '医疗保健'),
    ('0502', '家政维修');

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

-- More persons over the whole tree, owned by both operators.
INSERT INTO custom (CustCode, Company, CustType, Category, CustLevel, address, postcode, tel, fax, url,
                    email, MainContact, Mobile, OtherInfo, income, introduce, xueli, qq, sex, F_User) VALUES
    (7, '周婷', '巨蟹座', '010201', 'A型', '北京市海淀区学院路 37 号', '100083', '010-82310011', '', '',
     'zhouting@example.cn', '33', '13601010007', '女', '150000', '大学室友，现在北京做产品经理。', '硕士', '31415926', '女', 'Admin'),
    (8, '吴昊', '射手座', '010201', 'B型', '武汉市洪山区珞喻路 129 号', '430072', '027-68750022', '', 'www.wuhao-design.cn',
     'wuhao@example.cn', '34', '13971270008', '男', '135000', '大学同学，建筑设计师。', '本科', '27182818', '男', 'Admin'),
    (9, '郑晓燕', '水瓶座', '010202', 'O型', '杭州市上城区解放路 201 号', '310002', '0571-87051234', '', '',
     'zhengxy@example.cn', '35', '13588120009', '女', '92000', '高中同桌，中学语文老师。', '本科', '', '女', 'Admin'),
    (10, '孙浩然', '金牛座', '010202', 'AB型', '绍兴市越城区胜利东路 66 号', '312000', '0575-85126677', '', '',
     'sunhr@example.cn', '35', '13819550010', '男', '110000', '高中篮球队队友。', '大专', '52013140', '男', 'Admin'),
    (11, '张建华', '双子座', '0101', 'O型', '杭州市拱墅区湖墅南路 56 号', '310005', '0571-85012233', '', '',
     '', '63', '13905710011', '男', '48000', '父亲，已退休。', '中专', '', '男', 'Admin'),
    (12, '林秀英', '天蝎座', '0101', 'A型', '杭州市拱墅区湖墅南路 56 号', '310005', '0571-85012233', '', '',
     '', '61', '13905710012', '女', '42000', '母亲，喜欢养花。', '高中', '', '女', 'Admin'),
    (13, '张晓雨', '白羊座', '0101', 'B型', '杭州市西湖区天目山路 148 号', '310013', '0571-87236655', '', '',
     'zhangxy@example.cn', '28', '13905710013', '女', '85000', '妹妹，在医院做护士。', '硕士', '61803398', '女', 'Admin'),
    (14, '何子豪', '狮子座', '0201', 'A型', '杭州市西湖区文三路 128 号', '310012', '0571-88120015', '0571-88120001', '',
     'hezh@example.cn', '30', '13656710014', '男', '96000', '开发组同事，负责数据库。', '本科', '14142135', '男', '李明'),
    (15, '马丽', '金牛座', '0201', 'O型', '杭州市西湖区文三路 128 号', '310012', '0571-88120016', '0571-88120001', '',
     'mali@example.cn', '27', '13656710015', '女', '72000', '测试组同事。', '本科', '', '女', '李明'),
    (16, '高翔', '天秤座', '0202', 'B型', '上海市浦东新区张江路 665 号', '201203', '021-50801234', '', 'www.gaoxiang.me',
     'gaoxiang@example.cn', '38', '13916280016', '男', '210000', '前同事，后来去了上海创业。', '硕士', '17320508', '男', 'Admin'),
    (17, '罗静怡', '双鱼座', '0202', 'AB型', '杭州市余杭区文一西路 969 号', '311121', '0571-88160017', '', '',
     'luojy@example.cn', '32', '13757120017', '女', '118000', '前同事，做界面设计。', '本科', '', '女', '李明'),
    (18, '谢文博', '摩羯座', '0301', 'A型', '合肥市蜀山区长江西路 499 号', '230031', '0551-65310018', '0551-65310019', 'www.xiewenbo.com',
     'xiewb@example.cn', '47', '13805510018', '男', '320000', '华东区经销商。', '本科', '22360679', '男', '李明'),
    (19, '唐慧敏', '巨蟹座', '030101', 'O型', '上海市静安区南京西路 1266 号', '200040', '021-62880019', '021-62880020', '',
     'tanghm@example.cn', '41', '13817620019', '女', '260000', '上海分公司采购主管。', '硕士', '', '女', '李明'),
    (20, '韩冬', '水瓶座', '030101', 'B型', '上海市闵行区莘庄镇莘松路 58 号', '201100', '021-64920020', '', '',
     'handong@example.cn', '36', '13917260020', '男', '180000', '物流合作方联系人。', '大专', '26457513', '男', '李明'),
    (21, '冯宇航', '双子座', '030102', 'A型', '杭州市滨江区网商路 699 号', '310052', '0571-86650021', '', '',
     'fengyh@example.cn', '29', '13858120021', '男', '140000', '网店客户，每季度订货。', '本科', '', '男', 'Admin'),
    (22, '曹雪梅', '射手座', '030102', 'AB型', '杭州市萧山区市心中路 819 号', '311202', '0571-82730022', '0571-82730023', '',
     'caoxm@example.cn', '44', '13706810022', '女', '230000', '印刷厂老板。', '大专', '33166247', '女', '李明'),
    (23, '彭博', '白羊座', '0302', 'O型', '长沙市岳麓区麓山南路 932 号', '410083', '0731-88870023', '', '',
     'pengbo@example.cn', '39', '13907310023', '男', '170000', '华南区总代理。', '本科', '', '男', '李明'),
    (24, '邓佳琪', '狮子座', '030201', 'A型', '广州市天河区天河路 385 号', '510620', '020-38820024', '020-38820025', 'www.dengjiaqi.cn',
     'dengjq@example.cn', '31', '13602200024', '女', '190000', '广州门店店长。', '本科', '37796447', '女', '李明'),
    (25, '许志强', '天蝎座', '030202', 'B型', '深圳市南山区科技园南区高新南七道 18 号', '518057', '0755-26710025', '', '',
     'xuzq@example.cn', '50', '13823750025', '男', '450000', '电子配件供应商。', '硕士', '', '男', 'Admin'),
    (26, '袁梦', '天秤座', '030202', 'O型', '深圳市福田区深南大道 6008 号', '518034', '0755-83290026', '', '',
     'yuanmeng@example.cn', '26', '13925260026', '女', '98000', '深圳展会上认识的客户。', '本科', '41421356', '女', '李明'),
    (27, '蒋涛', '金牛座', '03', 'A型', '嘉兴市南湖区中山东路 1300 号', '314001', '0573-82060027', '', '',
     'jiangtao@example.cn', '42', '13567390027', '男', '160000', '老客户介绍来的新客户。', '大专', '', '男', 'Admin'),
    (28, '沈玉兰', '双鱼座', '0501', 'AB型', '杭州市上城区庆春路 79 号', '310003', '0571-87236028', '', '',
     'shenyl@example.cn', '55', '13605710028', '女', '130000', '家庭医生，内科。', '博士', '', '女', 'Admin'),
    (29, '杜明辉', '摩羯座', '0502', 'O型', '杭州市拱墅区大关路 100 号', '310011', '', '', '',
     '', '46', '13588790029', '男', '65000', '水电维修师傅，随叫随到。', '高中', '', '男', 'Admin'),
    (30, '叶倩', '射手座', '0501', 'A型', '杭州市西湖区保俶路 166 号', '310007', '0571-85080030', '', '',
     'yeqian@example.cn', '37', '13819880030', '女', '155000', '牙科医生。', '硕士', '50205050', '女', '李明'),
    (31, '程军', '巨蟹座', '05', 'B型', '杭州市江干区钱江路 58 号', '310016', '0571-86080031', '', '',
     'chengjun@example.cn', '49', '13906510031', '男', '88000', '小区物业经理。', '大专', '', '男', 'Admin'),
    (32, '苏晓峰', '天蝎座', '04', 'O型', '宁波市海曙区中山西路 138 号', '315010', '0574-87360032', '', '',
     'suxf@example.cn', '40', '13780080032', '男', '125000', '在徒步活动中认识的朋友。', '本科', '', '男', '李明'),
    (33, '魏红', '水瓶座', '04', 'A型', '温州市鹿城区人民路 9 号', '325000', '0577-88260033', '', '',
     'weihong@example.cn', '58', '13857710033', '女', '70000', '楼下邻居阿姨。', '其他', '', '女', 'Admin'),
    (34, '潘宇', '白羊座', '010201', 'AB型', '南京市玄武区中山门大街 301 号', '210042', '025-84510034', '', '',
     'panyu@example.cn', '33', '13951700034', '男', '142000', '大学同学，现在南京做律师。', '硕士', '60221415', '男', '李明'),
    (35, '田甜', '双子座', '0102', 'B型', '苏州市姑苏区人民路 1108 号', '215005', '0512-65180035', '', '',
     'tiantian@example.cn', '30', '13962170035', '女', '99000', '研究生同学。', '硕士', '', '女', '李明'),
    (36, '钟诚', '狮子座', '02', 'O型', '杭州市西湖区文三路 128 号', '310012', '0571-88120036', '0571-88120001', '',
     'zhongcheng@example.cn', '45', '13605710036', '男', '260000', '部门经理。', '硕士', '11235813', '男', 'Admin');

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
